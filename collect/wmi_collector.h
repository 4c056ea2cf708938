// The WMI collector: five WQL passes fill the snapshot; without WMI the NT fallback runs.
#pragma once

#include <string>

namespace korvane {

struct Korvane;

void GetWMI(Korvane& k);
void ConnectWMI(Korvane& k, const std::string& computerName);
std::string CollapseSpaces(const std::string& s);

}  // namespace korvane

#include "collect/wmi_collector.h"

namespace korvane {

// Filled in with the collectors.
void GetWMI(Korvane&) {}
void ConnectWMI(Korvane&, const std::string&) {}
std::string CollapseSpaces(const std::string& s) { return s; }

}  // namespace korvane

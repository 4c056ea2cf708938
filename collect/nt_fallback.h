// The NT fallback collector: what can be learnt without WMI, from the administrative
// disk shares, the remote registry, the workstation service and the service control
// manager. Fields it cannot reach keep their not-collected values.
#pragma once

#include <string>

namespace korvane {

struct Korvane;

// "Windows XP", "Windows 2000" or "Windows NT" for the versions 5.1, 5.0 and 4.0 (the
// first three characters decide); any other version text unchanged.
std::string VersionName(const std::string& version);

void NTMethod(Korvane& k);

}  // namespace korvane

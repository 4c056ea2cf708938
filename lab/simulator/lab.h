// The simulated lab: a directory of computer files that answers every call to a target
// computer (see docs/lab.md for the file format).
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "platform/target.h"

namespace korvane {

// Opens the lab in `directory`. Problems with single computer files are reported on
// `diagnostics` (one line naming the file and the problem) and make that computer
// unreachable.
std::unique_ptr<TargetNetwork> OpenLab(const std::string& directory, std::ostream& diagnostics);

}  // namespace korvane

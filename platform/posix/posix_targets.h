// The target network as a Linux host sees it: echo and name resolution are real; the
// Windows management services (WMI, remote registry, service manager, workstation
// service, administrative shares) have no Linux client, so they answer as a computer
// whose services cannot be reached.
#pragma once

#include <memory>

#include "platform/target.h"

namespace korvane {

std::unique_ptr<TargetNetwork> MakePosixTargets();

}  // namespace korvane

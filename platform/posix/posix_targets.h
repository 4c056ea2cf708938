// The target network as a Linux host sees it: echo and name resolution are real; the
// remote registry, service manager, workstation service and administrative shares are
// reached over SMB and DCE/RPC (smb/); WMI has no Linux client, so it answers as a
// computer whose WMI cannot be reached, and the scan takes its fallback.
#pragma once

#include <memory>

#include "platform/target.h"

namespace korvane {

std::unique_ptr<TargetNetwork> MakePosixTargets();

}  // namespace korvane

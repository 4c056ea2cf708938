// The target computer's management services through the real Windows calls: ICMP echo
// with Winsock name resolution, WMI over COM, the remote registry, the service control
// manager, the workstation service and the administrative disk shares.
#pragma once

#include <memory>

#include "platform/target.h"

namespace korvane::win32 {

std::unique_ptr<TargetNetwork> MakeTargets();

// The parts, for the bundle above and for tests that exercise one service.
std::unique_ptr<EchoService> MakeEcho();
std::unique_ptr<RemoteRegistry> MakeRegistry();
std::unique_ptr<ServiceControlManager> MakeServiceManager();
std::unique_ptr<WorkstationService> MakeWorkstation();
std::unique_ptr<DiskShares> MakeDiskShares();

}  // namespace korvane::win32

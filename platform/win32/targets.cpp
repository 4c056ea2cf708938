#include "platform/win32/targets.h"

#include "platform/win32/wmi.h"

namespace korvane::win32 {

namespace {

class WindowsTargets : public TargetNetwork {
 public:
  EchoService& Echo() override { return *echo_; }
  WmiApi& Wmi() override { return *wmi_; }
  RemoteRegistry& Registry() override { return *registry_; }
  ServiceControlManager& Services() override { return *services_; }
  WorkstationService& Workstation() override { return *workstation_; }
  DiskShares& Shares() override { return *shares_; }

 private:
  std::unique_ptr<EchoService> echo_ = MakeEcho();
  std::unique_ptr<WmiApi> wmi_ = MakeWmi();
  std::unique_ptr<RemoteRegistry> registry_ = MakeRegistry();
  std::unique_ptr<ServiceControlManager> services_ = MakeServiceManager();
  std::unique_ptr<WorkstationService> workstation_ = MakeWorkstation();
  std::unique_ptr<DiskShares> shares_ = MakeDiskShares();
};

}  // namespace

std::unique_ptr<TargetNetwork> MakeTargets() { return std::make_unique<WindowsTargets>(); }

}  // namespace korvane::win32

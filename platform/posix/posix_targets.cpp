#include "platform/posix/posix_targets.h"

#include "platform/posix/icmp_echo.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace {

// HRESULT of an unreachable RPC server, as WMI reports it.
constexpr int32_t kRpcServerUnavailable = static_cast<int32_t>(0x800706BA);

class UnreachableWmiLocator : public WmiLocator {
 public:
  std::unique_ptr<WmiServices> ConnectServer(const std::string&) override {
    throw RuntimeError(kRpcServerUnavailable, "The RPC server is unavailable.");
  }
};

class NoopSink : public WmiSink {
 public:
  void Cancel() override {}
};

class UnreachableWmi : public WmiApi {
 public:
  std::unique_ptr<WmiLocator> CreateLocator() override {
    return std::make_unique<UnreachableWmiLocator>();
  }
  std::unique_ptr<WmiSink> CreateSink() override { return std::make_unique<NoopSink>(); }
};

class UnreachableRegistry : public RemoteRegistry {
 public:
  int32_t Connect(const std::string&, uint32_t, std::unique_ptr<RegistryKey>&) override {
    return kErrorBadNetPath;
  }
};

class UnreachableServices : public ServiceControlManager {
 public:
  std::unique_ptr<ServiceManagerHandle> Open(const std::string&, uint32_t) override {
    return nullptr;
  }
};

class UnreachableWorkstation : public WorkstationService {
 public:
  uint32_t NetWkstaUserEnum(const std::string&, uint32_t, uint32_t, std::vector<WkstaUserInfo1>&,
                            uint32_t&, uint32_t&, uint32_t&) override {
    return kErrorBadNetPath;
  }
};

class UnreachableShares : public DiskShares {
 public:
  bool GetDiskFreeSpaceEx(const std::string&, uint64_t&, uint64_t&, uint64_t&) override {
    return false;
  }
};

class PosixTargets : public TargetNetwork {
 public:
  EchoService& Echo() override { return echo_; }
  WmiApi& Wmi() override { return wmi_; }
  RemoteRegistry& Registry() override { return registry_; }
  ServiceControlManager& Services() override { return services_; }
  WorkstationService& Workstation() override { return workstation_; }
  DiskShares& Shares() override { return shares_; }

 private:
  PosixEchoService echo_;
  UnreachableWmi wmi_;
  UnreachableRegistry registry_;
  UnreachableServices services_;
  UnreachableWorkstation workstation_;
  UnreachableShares shares_;
};

}  // namespace

std::unique_ptr<TargetNetwork> MakePosixTargets() { return std::make_unique<PosixTargets>(); }

}  // namespace korvane

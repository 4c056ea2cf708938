#include "platform/posix/posix_targets.h"

#include <cstdlib>
#include <iostream>

#include "platform/posix/icmp_echo.h"
#include "platform/smb/credentials.h"
#include "platform/smb/smb_targets.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace {

// The account's credentials are looked for once, at the first call to a computer; without
// them every computer answers as one that refuses the account. The reason goes to the
// standard error, the password nowhere.
std::unique_ptr<smb::Transport> OpenTransport() {
  std::string why;
  const auto credentials = smb::FindCredentials(
      [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (value == nullptr) return std::nullopt;
        return std::string(value);
      },
      why);
  if (!credentials) {
    std::cerr << "korvane: remote computers cannot be reached: " << why << "\n";
    return nullptr;
  }
  return smb::MakeSambaTransport(*credentials);
}

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

class PosixTargets : public TargetNetwork {
 public:
  EchoService& Echo() override { return echo_; }
  WmiApi& Wmi() override { return wmi_; }
  RemoteRegistry& Registry() override { return smb_.Registry(); }
  ServiceControlManager& Services() override { return smb_.Services(); }
  WorkstationService& Workstation() override { return smb_.Workstation(); }
  DiskShares& Shares() override { return smb_.Shares(); }

 private:
  PosixEchoService echo_;
  UnreachableWmi wmi_;
  smb::SmbServices smb_{&OpenTransport};
};

}  // namespace

std::unique_ptr<TargetNetwork> MakePosixTargets() { return std::make_unique<PosixTargets>(); }

}  // namespace korvane

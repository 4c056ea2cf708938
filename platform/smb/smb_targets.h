// The remote registry, the service control manager, the workstation service and the
// administrative shares of real computers, reached from Linux over SMB and DCE/RPC. Each
// computer gets one pipe per interface, opened at its first call and kept for the scan.
#pragma once

#include <functional>
#include <memory>

#include "platform/smb/transport.h"
#include "platform/target.h"

namespace korvane::smb {

// Makes the transport at the first call that needs one; nullptr means no computer can be
// reached (no credentials, or a build without Samba), and every call answers so.
using TransportFactory = std::function<std::unique_ptr<Transport>()>;

class SmbServices {
 public:
  explicit SmbServices(TransportFactory factory);
  ~SmbServices();
  SmbServices(const SmbServices&) = delete;
  SmbServices& operator=(const SmbServices&) = delete;

  RemoteRegistry& Registry();
  ServiceControlManager& Services();
  WorkstationService& Workstation();
  DiskShares& Shares();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace korvane::smb

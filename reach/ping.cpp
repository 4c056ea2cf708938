#include "reach/ping.h"

#include "scan/conversions.h"
#include "scan/korvane.h"
#include "platform/runtime_error.h"

namespace korvane {

std::string AddressText(const IPv4& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

void PingHost(Korvane& k, const std::string& computerName) {
  EchoService& echo = k.platform.targets->Echo();
  echo.StartSockets();

  // The resolver is handed the name padded with NULs to 64 characters; a longer name
  // makes the padding count negative, which is a run-time error.
  const auto length = static_cast<long>(CharCount(computerName));
  if (kEchoNameLength - length < 0) throw StandardError(errors::kInvalidProcedureCall);

  IPv4 destination{0, 0, 0, 0};
  if (auto resolved = echo.Resolve(computerName)) destination = *resolved;

  std::unique_ptr<EchoHandle> handle = echo.CreateEchoHandle();
  if (!handle) {
    k.platform.process->MessageBox("Unable to Create File Handle", "Korvane");
    return;
  }

  const std::string data(kEchoDataBytes, 'A');
  const EchoReply reply = handle->SendEcho(destination, data, kEchoTtl, kEchoTimeoutMs);
  std::string address;
  if (reply.replies >= 1) address = AddressText(reply.source);
  if (reply.status == 0) {
    k.ctx.IPAddress = address;
    k.ctx.PingOK = true;
  } else {
    k.ctx.PingOK = false;
  }
  handle.reset();
  echo.StopSockets();
}

}  // namespace korvane

#include "platform/posix/icmp_echo.h"

namespace korvane {

// Filled in with the real ICMP probe.
std::optional<IPv4> PosixEchoService::Resolve(const std::string&) { return std::nullopt; }
std::unique_ptr<EchoHandle> PosixEchoService::CreateEchoHandle() { return nullptr; }

}  // namespace korvane

// The reachability probe: one ICMP echo request to the computer.
#pragma once

#include <string>

#include "platform/target.h"

namespace korvane {

struct Korvane;

// Sets PingOK (and IPAddress when answered). No error handling of its own: a name of
// more than 64 characters raises a run-time error to the scan.
void PingHost(Korvane& k, const std::string& computerName);

// Dotted decimal text of the four bytes as they stand: 10.0.0.1.
std::string AddressText(const IPv4& address);

inline constexpr int kEchoNameLength = 64;
inline constexpr int kEchoDataBytes = 32;
inline constexpr uint8_t kEchoTtl = 255;
inline constexpr uint32_t kEchoTimeoutMs = 2000;

}  // namespace korvane

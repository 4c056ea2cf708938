// ICMP echo and name resolution on Linux.
#pragma once

#include "platform/target.h"

namespace korvane {

class PosixEchoService : public EchoService {
 public:
  void StartSockets() override {}
  void StopSockets() override {}
  std::optional<IPv4> Resolve(const std::string& name) override;
  std::unique_ptr<EchoHandle> CreateEchoHandle() override;
};

}  // namespace korvane

// What the Windows management interfaces need of the network: a DCE/RPC pipe to one
// interface of a computer, over which encoded calls travel, and the size of a share.
// Failures come back as the Windows error codes the scan already knows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace korvane::smb {

enum class Interface { Registry, Services, Workstation };

// RPC_S_CALL_FAILED: the call went out and no usable reply came back.
constexpr int32_t kErrorCallFailed = 1726;

class RpcPipe {
 public:
  virtual ~RpcPipe() = default;
  // Sends the encoded request of opnum and fills the reply's stub data. Returns 0, or the
  // Windows error of a pipe that failed; a pipe that failed once is not used again.
  virtual int32_t Call(uint16_t opnum, const std::string& request, std::string& reply) = 0;
};

struct Credentials {
  bool kerberos = false;  // the credential cache of the account
  std::string user;
  std::string password;
  std::string domain;
};

struct ShareSpace {
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;
  uint64_t availableBytes = 0;
};

class Transport {
 public:
  virtual ~Transport() = default;
  // A pipe to the interface on the computer, or nullptr with the Windows error set.
  virtual std::unique_ptr<RpcPipe> Open(const std::string& computer, Interface which,
                                        int32_t& error) = 0;
  // The size of \\computer\share, or nullopt when it cannot be reached.
  virtual std::optional<ShareSpace> Space(const std::string& computer, const std::string& share) = 0;
};

// Samba's client libraries; nullptr in a build without them.
std::unique_ptr<Transport> MakeSambaTransport(const Credentials& credentials);

}  // namespace korvane::smb

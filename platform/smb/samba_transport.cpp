// Samba's client libraries behind the transport interface, through the C entry points of
// samba_glue.c; NTSTATUS codes become the Windows errors the scan knows.
#include <charconv>
#include <cstdlib>
#include <string_view>

#include "platform/smb/samba_glue.h"
#include "platform/smb/transport.h"
#include "platform/target.h"

namespace korvane::smb {

namespace {

// How long one call may wait for its reply before the pipe counts as failed.
constexpr unsigned kCallTimeoutSeconds = 20;
// The largest reply one call may gather: far above any list a computer really sends (its
// services, a registry value), far below what a server that never ends its reply could
// make the scanner hold.
constexpr size_t kMaxReplyBytes = 16 * 1024 * 1024;

// The tests' fake RPC servers speak no SMB: KORVANE_TEST_RPC_PORT sends the pipes of a
// loopback computer straight to that TCP port. No other computer is ever reached that way.
unsigned TestRpcPort(const std::string& computer) {
  if (computer.rfind("127.", 0) != 0) return 0;
  const char* text = std::getenv("KORVANE_TEST_RPC_PORT");
  if (text == nullptr) return 0;
  const std::string_view digits(text);
  unsigned port = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (error != std::errc() || end != digits.data() + digits.size() || port > 65535) return 0;
  return port;
}

int32_t WindowsError(uint32_t status) {
  switch (status) {
    case 0xC0000022:  // access denied
      return kErrorAccessDenied;
    case 0xC000006A:  // wrong password
    case 0xC000006D:  // logon failure
    case 0xC000006E:  // account restriction
    case 0xC0000064:  // no such user
      return kErrorLogonFailure;
    case 0xC0000236:  // connection refused
    case 0xC00000B5:  // time-out
    case 0xC000023C:  // network unreachable
    case 0xC000023D:  // host unreachable
    case 0xC00000CC:  // bad network name
    case 0xC0000034:  // object name not found
    case 0xC000020C:  // disconnected
      return kErrorBadNetPath;
    default:
      return kErrorCallFailed;
  }
}

// The session outlives every pipe opened on it: each pipe holds it.
struct Session {
  explicit Session(korvane_samba_session* s) : session(s) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { korvane_samba_session_close(session); }
  korvane_samba_session* session;
};

class SambaPipe : public RpcPipe {
 public:
  SambaPipe(std::shared_ptr<Session> session, korvane_samba_pipe* pipe)
      : session_(std::move(session)), pipe_(pipe) {}
  SambaPipe(const SambaPipe&) = delete;
  SambaPipe& operator=(const SambaPipe&) = delete;
  ~SambaPipe() override { korvane_samba_pipe_close(pipe_); }

  int32_t Call(uint16_t opnum, const std::string& request, std::string& reply) override {
    if (failed_ != 0) return failed_;
    uint8_t* out = nullptr;
    size_t outLength = 0;
    const uint32_t status =
        korvane_samba_call(pipe_, opnum, reinterpret_cast<const uint8_t*>(request.data()),
                           request.size(), &out, &outLength);
    if (status != 0) {
      std::free(out);
      failed_ = WindowsError(status);
      return failed_;
    }
    reply.assign(reinterpret_cast<const char*>(out), outLength);
    std::free(out);
    return 0;
  }

 private:
  std::shared_ptr<Session> session_;
  korvane_samba_pipe* pipe_;
  int32_t failed_ = 0;
};

class SambaTransport : public Transport {
 public:
  explicit SambaTransport(std::shared_ptr<Session> session) : session_(std::move(session)) {}

  std::unique_ptr<RpcPipe> Open(const std::string& computer, Interface which,
                                int32_t& error) override {
    const auto iface = which == Interface::Registry   ? KORVANE_WINREG
                       : which == Interface::Services ? KORVANE_SVCCTL
                                                      : KORVANE_WKSSVC;
    uint32_t status = 0;
    korvane_samba_pipe* pipe =
        korvane_samba_pipe_open(session_->session, computer.c_str(), iface, kCallTimeoutSeconds,
                                kMaxReplyBytes, TestRpcPort(computer), &status);
    if (pipe == nullptr) {
      error = WindowsError(status);
      return nullptr;
    }
    error = 0;
    return std::make_unique<SambaPipe>(session_, pipe);
  }

  std::optional<ShareSpace> Space(const std::string& computer, const std::string& share) override {
    const std::string url = "smb://" + computer + "/" + share;
    ShareSpace space;
    if (korvane_samba_share_space(session_->session, url.c_str(), kCallTimeoutSeconds,
                                  &space.totalBytes, &space.freeBytes, &space.availableBytes) != 0) {
      return std::nullopt;
    }
    return space;
  }

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace

std::unique_ptr<Transport> MakeSambaTransport(const Credentials& credentials) {
  korvane_samba_session* session =
      korvane_samba_session_open(credentials.kerberos ? 1 : 0, credentials.user.c_str(),
                                 credentials.password.c_str(), credentials.domain.c_str());
  if (session == nullptr) return nullptr;
  return std::make_unique<SambaTransport>(std::make_shared<Session>(session));
}

}  // namespace korvane::smb

// ICMP echo through the system's echo service (IcmpSendEcho), which needs no privilege,
// and name resolution through Winsock's host database.
#include <cstring>
#include <vector>

#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

#include <iphlpapi.h>
#include <icmpapi.h>

namespace korvane::win32 {

namespace {

// Room after the reply record for the echoed data, as the record layout allows.
constexpr std::size_t kEchoedDataRoom = 128;

class IcmpEchoHandle : public EchoHandle {
 public:
  explicit IcmpEchoHandle(HANDLE handle) : handle_(handle) {}
  IcmpEchoHandle(const IcmpEchoHandle&) = delete;
  IcmpEchoHandle& operator=(const IcmpEchoHandle&) = delete;
  ~IcmpEchoHandle() override { IcmpCloseHandle(handle_); }

  EchoReply SendEcho(IPv4 destination, std::string_view data, uint8_t ttl,
                     uint32_t timeoutMs) override {
    IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;

    IPAddr address = 0;
    std::memcpy(&address, destination.data(), sizeof address);  // both in network order

    std::vector<char> request(data.begin(), data.end());
    // Zero-filled, so whatever the service leaves untouched reads as 0.
    std::vector<unsigned char> replyBuffer(sizeof(ICMP_ECHO_REPLY) + kEchoedDataRoom + 8, 0);
    const DWORD replies =
        IcmpSendEcho(handle_, address, request.data(), static_cast<WORD>(request.size()), &options,
                     replyBuffer.data(), static_cast<DWORD>(replyBuffer.size()), timeoutMs);

    ICMP_ECHO_REPLY record;
    std::memcpy(&record, replyBuffer.data(), sizeof record);
    EchoReply reply;
    reply.replies = replies;
    reply.status = record.Status;
    std::memcpy(reply.source.data(), &record.Address, reply.source.size());
    return reply;
  }

 private:
  HANDLE handle_;
};

class WinsockEcho : public EchoService {
 public:
  void StartSockets() override {
    WSADATA data;
    WSAStartup(0x0101, &data);
  }
  void StopSockets() override { WSACleanup(); }

  std::optional<IPv4> Resolve(const std::string& name) override {
    const std::string ansi = ToAnsi(name);
    const hostent* entry = gethostbyname(ansi.c_str());
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
        entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
      return std::nullopt;
    }
    IPv4 address;
    std::memcpy(address.data(), entry->h_addr_list[0], address.size());
    return address;
  }

  std::unique_ptr<EchoHandle> CreateEchoHandle() override {
    const HANDLE handle = IcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<IcmpEchoHandle>(handle);
  }
};

}  // namespace

std::unique_ptr<EchoService> MakeEcho() { return std::make_unique<WinsockEcho>(); }

}  // namespace korvane::win32

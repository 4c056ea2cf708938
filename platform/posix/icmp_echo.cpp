#include "platform/posix/icmp_echo.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>

namespace korvane {

namespace {

// IP_STATUS values of the Windows echo service, which the probe's callers test.
constexpr uint32_t kIpDestNetUnreachable = 11002;
constexpr uint32_t kIpDestHostUnreachable = 11003;
constexpr uint32_t kIpRequestTimedOut = 11010;
constexpr uint32_t kIpGeneralFailure = 11050;

uint32_t StatusOfSendError(int error) {
  switch (error) {
    case ENETUNREACH: return kIpDestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN: return kIpDestHostUnreachable;
    default: return kIpGeneralFailure;
  }
}

uint16_t Checksum(const unsigned char* data, std::size_t length) {
  uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < length; i += 2) sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
  if (length % 2 != 0) sum += static_cast<uint32_t>(data[length - 1] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

// One ICMP socket. An unprivileged datagram socket (allowed by
// net.ipv4.ping_group_range) lets the kernel own the identifier and deliver only our own
// replies, without the IP header; a raw socket sees every ICMP packet with its IP
// header, so replies are matched on identifier and sequence here.
class PosixEchoHandle : public EchoHandle {
 public:
  PosixEchoHandle(int fd, bool raw) : fd_(fd), raw_(raw) {
    std::random_device random;
    identifier_ = static_cast<uint16_t>(random());
  }
  ~PosixEchoHandle() override { close(fd_); }
  PosixEchoHandle(const PosixEchoHandle&) = delete;
  PosixEchoHandle& operator=(const PosixEchoHandle&) = delete;

  EchoReply SendEcho(IPv4 destination, std::string_view data, uint8_t ttl,
                     uint32_t timeoutMs) override {
    EchoReply reply;
    // An unresolved name leaves the destination at 0.0.0.0, which Linux would deliver to
    // this very host; it must count as not answering instead.
    if (destination == IPv4{0, 0, 0, 0}) {
      reply.status = kIpRequestTimedOut;
      return reply;
    }
    const int ttlValue = ttl;
    setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttlValue, sizeof ttlValue);

    const uint16_t sequence = ++sequence_;
    std::string packet(sizeof(icmphdr), '\0');
    packet += data;
    auto* header = reinterpret_cast<icmphdr*>(packet.data());
    header->type = ICMP_ECHO;
    header->code = 0;
    header->un.echo.id = htons(identifier_);
    header->un.echo.sequence = htons(sequence);
    header->checksum = htons(Checksum(reinterpret_cast<const unsigned char*>(packet.data()), packet.size()));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr, destination.data(), 4);
    if (sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
      reply.status = StatusOfSendError(errno);
      return reply;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      const int ready = poll(&p, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) break;
      unsigned char buffer[1500];
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (n < 0) continue;  // an error report for this socket; the reply may still come
      if (IsOurReply(buffer, static_cast<std::size_t>(n), sequence)) {
        reply.replies = 1;
        reply.status = 0;
        std::memcpy(reply.source.data(), &from.sin_addr, 4);
        return reply;
      }
    }
    reply.status = kIpRequestTimedOut;
    return reply;
  }

 private:
  bool IsOurReply(const unsigned char* buffer, std::size_t length, uint16_t sequence) const {
    std::size_t offset = 0;
    if (raw_) {
      if (length < sizeof(iphdr)) return false;
      offset = static_cast<std::size_t>(buffer[0] & 0x0F) * 4;
    }
    if (length < offset + sizeof(icmphdr)) return false;
    icmphdr header;
    std::memcpy(&header, buffer + offset, sizeof header);
    if (header.type != ICMP_ECHOREPLY || ntohs(header.un.echo.sequence) != sequence) return false;
    return !raw_ || ntohs(header.un.echo.id) == identifier_;
  }

  int fd_;
  bool raw_;
  uint16_t identifier_ = 0;
  uint16_t sequence_ = 0;
};

}  // namespace

std::optional<IPv4> PosixEchoService::Resolve(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_RAW;
  addrinfo* result = nullptr;
  // c_str(): the resolver sees the name up to its first NUL, as the padded Windows
  // call does.
  if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
    return std::nullopt;
  }
  IPv4 address{};
  std::memcpy(address.data(), &reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr, 4);
  freeaddrinfo(result);
  return address;
}

std::unique_ptr<EchoHandle> PosixEchoService::CreateEchoHandle() {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd >= 0) return std::make_unique<PosixEchoHandle>(fd, false);
  fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd >= 0) return std::make_unique<PosixEchoHandle>(fd, true);
  return nullptr;
}

}  // namespace korvane

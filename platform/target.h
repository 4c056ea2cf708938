// The management services of a target computer, shaped after what the scan relies on:
// statuses, types, sizes and errors as the Windows calls report them. Implementations:
// win32/ (the real calls), posix/ (echo and name resolution for real; the Windows-only
// services answer as an unreachable computer would) and lab/ (a simulated network read
// from files).
//
// Text crosses these interfaces as UTF-8; the Windows implementation converts at the
// ANSI or wide calls.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/variant.h"

namespace korvane {

// ---- echo and name resolution -------------------------------------------------------

using IPv4 = std::array<uint8_t, 4>;  // in network order, as it stands in a reply record

struct EchoReply {
  uint32_t replies = 0;  // number of replies the call reports (0 or 1)
  uint32_t status = 0;   // IP_STATUS of the reply record: 0 = answered
  IPv4 source{};         // source address of the reply record
};

class EchoHandle {
 public:
  virtual ~EchoHandle() = default;
  // Sends one echo request with this data and time-to-live and waits at most timeoutMs.
  // The reply record starts zero-filled; an unanswered request reports replies 0 and a
  // non-zero status (11010, timed out).
  virtual EchoReply SendEcho(IPv4 destination, std::string_view data, uint8_t ttl,
                             uint32_t timeoutMs) = 0;
};

class EchoService {
 public:
  virtual ~EchoService() = default;
  virtual void StartSockets() = 0;  // WSAStartup(0x0101); result ignored
  virtual void StopSockets() = 0;   // WSACleanup
  // First address of the host entry for the name; nullopt when nothing resolves.
  virtual std::optional<IPv4> Resolve(const std::string& name) = 0;
  // nullptr when the echo handle cannot be created.
  virtual std::unique_ptr<EchoHandle> CreateEchoHandle() = 0;
};

// ---- WMI scripting interface ---------------------------------------------------------

class WmiObject {
 public:
  virtual ~WmiObject() = default;
  // A property by name (matched without regard to case): nullopt when the object has no
  // such property, Variant::Null() when it is null.
  virtual std::optional<Variant> Property(std::string_view name) const = 0;
};

class WmiSink {
 public:
  virtual ~WmiSink() = default;
  virtual void Cancel() = 0;  // cancels all outstanding asynchronous calls
};

class WmiServices {
 public:
  virtual ~WmiServices() = default;
  // Runs a query; its instances in the order returned. Raises RuntimeError (number and
  // WMI's description) when the query fails.
  virtual std::vector<std::unique_ptr<WmiObject>> ExecQuery(const std::string& query,
                                                            const std::string& language,
                                                            int32_t flags) = 0;
  // Registers an asynchronous notification query delivering to the sink.
  virtual void ExecNotificationQueryAsync(WmiSink& sink, const std::string& query,
                                          const std::string& language, int32_t flags) = 0;
};

class WmiLocator {
 public:
  virtual ~WmiLocator() = default;
  // Connects to the default namespace of the server with the process's own credentials.
  // Raises RuntimeError with the error text when the connection is refused.
  virtual std::unique_ptr<WmiServices> ConnectServer(const std::string& server) = 0;
};

class WmiApi {
 public:
  virtual ~WmiApi() = default;
  virtual std::unique_ptr<WmiLocator> CreateLocator() = 0;
  virtual std::unique_ptr<WmiSink> CreateSink() = 0;
};

// ---- remote registry ----------------------------------------------------------------

constexpr uint32_t kHkeyLocalMachine = 0x80000002;
constexpr uint32_t kHkeyUsers = 0x80000003;

constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// Access-mask bits a caller adds to what it asks of a key: the registry view of a 64-bit
// computer, and whatever the caller may be granted.
constexpr uint32_t kKeyWow64View64 = 0x0100;  // KEY_WOW64_64KEY
constexpr uint32_t kKeyWow64View32 = 0x0200;  // KEY_WOW64_32KEY
constexpr uint32_t kMaximumAllowed = 0x02000000;

// Windows status codes the registry and the other services report.
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorBadNetPath = 53;
constexpr int32_t kErrorInvalidParameter = 87;
constexpr int32_t kErrorInvalidLevel = 124;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;
constexpr int32_t kErrorLogonFailure = 1326;

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // RegOpenKeyExA: opens a subkey path with the access mask. Returns the status.
  virtual int32_t OpenKey(const std::string& path, uint32_t options, uint32_t access,
                          std::unique_ptr<RegistryKey>& opened) = 0;

  // RegQueryValueExA. With data == nullptr: reports the type and the size in bytes of the
  // value (a missing value: status 2, type stays 0). With data: fills at most *size bytes
  // of the value's raw bytes (string types include their stored NUL terminators) into
  // data, which the caller has sized; reports type and size.
  virtual int32_t QueryValue(const std::string& name, uint32_t& type, std::string* data,
                             uint32_t& size) = 0;

  // RegEnumKeyA: the name of the subkey at the index into a buffer of bufferChars
  // characters. Returns 0, or 259 after the last one, or another status.
  virtual int32_t EnumKey(uint32_t index, std::string& name, uint32_t bufferChars) = 0;
};

class RemoteRegistry {
 public:
  virtual ~RemoteRegistry() = default;
  // RegConnectRegistryA: a predefined root key of the computer's registry.
  virtual int32_t Connect(const std::string& computer, uint32_t root,
                          std::unique_ptr<RegistryKey>& connected) = 0;
};

// ---- service control manager --------------------------------------------------------

constexpr uint32_t kScManagerEnumerateService = 4;
constexpr uint32_t kServiceWin32 = 0x30;
constexpr uint32_t kServiceStateAll = 3;
constexpr uint32_t kEnumServiceStatusRecordBytes = 36;

struct ServiceStatusEntry {
  std::string serviceName;
  std::string displayName;  // ANSI text as the call hands it; may hold a NUL
  uint32_t serviceType = 0;
  uint32_t currentState = 0;
};

class ServiceManagerHandle {
 public:
  virtual ~ServiceManagerHandle() = default;
  // EnumServicesStatusA. bufferBytes 0 with entries == nullptr is the size probe. Returns
  // the call's BOOL; bytesNeeded, servicesReturned and resumeHandle as the call sets them.
  // The last error is read with LastError() right after.
  virtual bool EnumServicesStatus(uint32_t serviceType, uint32_t serviceState,
                                  uint32_t bufferBytes, std::vector<ServiceStatusEntry>* entries,
                                  uint32_t& bytesNeeded, uint32_t& servicesReturned,
                                  uint32_t& resumeHandle) = 0;
  virtual uint32_t LastError() = 0;
  virtual void Close() = 0;  // CloseServiceHandle
};

class ServiceControlManager {
 public:
  virtual ~ServiceControlManager() = default;
  // OpenSCManagerA(computer, default database, access); nullptr when refused.
  virtual std::unique_ptr<ServiceManagerHandle> Open(const std::string& computer,
                                                     uint32_t access) = 0;
};

// ---- workstation service -------------------------------------------------------------

struct WkstaUserInfo1 {
  std::string userName;
  std::string logonDomain;
  std::string otherDomains;
  std::string logonServer;
};

class WorkstationService {
 public:
  virtual ~WorkstationService() = default;
  // NetWkstaUserEnum at level 1. Returns the status (0, 234 for more data, or an error);
  // on 0/234 the buffer holds entriesRead records of this call.
  virtual uint32_t NetWkstaUserEnum(const std::string& server, uint32_t level,
                                    uint32_t preferredMaxLength,
                                    std::vector<WkstaUserInfo1>& buffer, uint32_t& entriesRead,
                                    uint32_t& totalEntries, uint32_t& resumeHandle) = 0;
};

// ---- administrative disk shares --------------------------------------------------------

class DiskShares {
 public:
  virtual ~DiskShares() = default;
  // GetDiskFreeSpaceExA on a share path such as \\PC01\C$. False (counts untouched) when
  // the share cannot be reached.
  virtual bool GetDiskFreeSpaceEx(const std::string& path, uint64_t& freeBytesAvailable,
                                  uint64_t& totalBytes, uint64_t& totalFreeBytes) = 0;
};

// The six services of a target network, served together by one implementation.
class TargetNetwork {
 public:
  virtual ~TargetNetwork() = default;
  virtual EchoService& Echo() = 0;
  virtual WmiApi& Wmi() = 0;
  virtual RemoteRegistry& Registry() = 0;
  virtual ServiceControlManager& Services() = 0;
  virtual WorkstationService& Workstation() = 0;
  virtual DiskShares& Shares() = 0;
};

}  // namespace korvane

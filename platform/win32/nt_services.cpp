// The NT-era remote interfaces: the service control manager, the workstation service's
// logon list and the administrative disk shares.
#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

#include <lm.h>

namespace korvane::win32 {

namespace {

class ScmHandle : public ServiceManagerHandle {
 public:
  explicit ScmHandle(SC_HANDLE handle) : handle_(handle) {}
  ScmHandle(const ScmHandle&) = delete;
  ScmHandle& operator=(const ScmHandle&) = delete;
  ~ScmHandle() override { Close(); }

  bool EnumServicesStatus(uint32_t serviceType, uint32_t serviceState, uint32_t bufferBytes,
                          std::vector<ServiceStatusEntry>* entries, uint32_t& bytesNeeded,
                          uint32_t& servicesReturned, uint32_t& resumeHandle) override {
    // The records hold pointers into the same buffer, so it is 8-byte aligned.
    std::vector<uint64_t> buffer((bufferBytes + 7) / 8 + 1, 0);
    auto* records = entries == nullptr || bufferBytes == 0
                        ? nullptr
                        : reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = resumeHandle;
    SetLastError(ERROR_SUCCESS);
    const BOOL ok = EnumServicesStatusA(handle_, serviceType, serviceState, records,
                                        records == nullptr ? 0 : bufferBytes, &needed, &returned,
                                        &resume);
    lastError_ = GetLastError();
    bytesNeeded = needed;
    servicesReturned = returned;
    resumeHandle = resume;
    if (records != nullptr && entries != nullptr) {
      entries->clear();
      for (DWORD i = 0; i < returned; ++i) {
        ServiceStatusEntry entry;
        entry.serviceName = FromAnsi(records[i].lpServiceName ? records[i].lpServiceName : "");
        entry.displayName = FromAnsi(records[i].lpDisplayName ? records[i].lpDisplayName : "");
        entry.serviceType = records[i].ServiceStatus.dwServiceType;
        entry.currentState = records[i].ServiceStatus.dwCurrentState;
        entries->push_back(std::move(entry));
      }
    }
    return ok != FALSE;
  }

  uint32_t LastError() override { return lastError_; }

  void Close() override {
    if (handle_ != nullptr) CloseServiceHandle(std::exchange(handle_, nullptr));
  }

 private:
  SC_HANDLE handle_;
  uint32_t lastError_ = 0;
};

class WinServiceManager : public ServiceControlManager {
 public:
  std::unique_ptr<ServiceManagerHandle> Open(const std::string& computer, uint32_t access) override {
    const std::string ansi = ToAnsi(computer);
    const SC_HANDLE handle = OpenSCManagerA(ansi.empty() ? nullptr : ansi.c_str(), nullptr, access);
    if (handle == nullptr) return nullptr;
    return std::make_unique<ScmHandle>(handle);
  }
};

class WinWorkstation : public WorkstationService {
 public:
  uint32_t NetWkstaUserEnum(const std::string& server, uint32_t level, uint32_t preferredMaxLength,
                            std::vector<WkstaUserInfo1>& buffer, uint32_t& entriesRead,
                            uint32_t& totalEntries, uint32_t& resumeHandle) override {
    const std::wstring wideServer = ToWide(server);
    LPBYTE raw = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    DWORD resume = resumeHandle;
    const NET_API_STATUS status =
        ::NetWkstaUserEnum(wideServer.empty() ? nullptr : const_cast<wchar_t*>(wideServer.c_str()),
                           level, &raw, preferredMaxLength, &read, &total, &resume);
    if ((status == NERR_Success || status == ERROR_MORE_DATA) && raw != nullptr && level == 1) {
      const auto* records = reinterpret_cast<const WKSTA_USER_INFO_1*>(raw);
      buffer.clear();
      for (DWORD i = 0; i < read; ++i) {
        buffer.push_back(WkstaUserInfo1{FromWide(records[i].wkui1_username),
                                        FromWide(records[i].wkui1_logon_domain),
                                        FromWide(records[i].wkui1_oth_domains),
                                        FromWide(records[i].wkui1_logon_server)});
      }
    }
    if (raw != nullptr) NetApiBufferFree(raw);
    entriesRead = read;
    totalEntries = total;
    resumeHandle = resume;
    return status;
  }
};

class WinDiskShares : public DiskShares {
 public:
  bool GetDiskFreeSpaceEx(const std::string& path, uint64_t& freeBytesAvailable,
                          uint64_t& totalBytes, uint64_t& totalFreeBytes) override {
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER free{};
    if (!GetDiskFreeSpaceExA(ToAnsi(path).c_str(), &available, &total, &free)) return false;
    freeBytesAvailable = available.QuadPart;
    totalBytes = total.QuadPart;
    totalFreeBytes = free.QuadPart;
    return true;
  }
};

}  // namespace

std::unique_ptr<ServiceControlManager> MakeServiceManager() {
  return std::make_unique<WinServiceManager>();
}
std::unique_ptr<WorkstationService> MakeWorkstation() { return std::make_unique<WinWorkstation>(); }
std::unique_ptr<DiskShares> MakeDiskShares() { return std::make_unique<WinDiskShares>(); }

}  // namespace korvane::win32

// The service control manager, the workstation service and the administrative shares
// of the lab, with the sizes, statuses and paging of the NT calls they stand for.
#include "lab/simulator/lab_services.h"

namespace korvane::lab {

namespace {

constexpr uint32_t kMaxPreferredLength = 0xFFFFFFFF;
constexpr uint32_t kServiceStopped = 1;
constexpr uint32_t kServiceActive = 1;    // state filter bits
constexpr uint32_t kServiceInactive = 2;

// What appears between the size probe and the listing of a "grows" manager: large
// enough (86 bytes) that the slack of one record the caller adds cannot hold it.
const LabService kServiceAddedWhileListing{"KorvaneLabGrowth", "Service Installed During Listing",
                                           0x10, 4};

uint32_t RecordBytes(const LabService& s) {
  return kEnumServiceStatusRecordBytes + static_cast<uint32_t>(s.name.size() + 1) +
         static_cast<uint32_t>(s.display.size() + 1);
}

// ---- service control manager ---------------------------------------------------------

class LabServiceManagerHandle : public ServiceManagerHandle {
 public:
  explicit LabServiceManagerHandle(const LabComputer& computer) : computer_(computer) {}

  bool EnumServicesStatus(uint32_t serviceType, uint32_t serviceState, uint32_t bufferBytes,
                          std::vector<ServiceStatusEntry>* entries, uint32_t& bytesNeeded,
                          uint32_t& servicesReturned, uint32_t& resumeHandle) override {
    SimulateLatency(computer_.latency.services);
    servicesReturned = 0;
    bytesNeeded = 0;
    if (closed_) return Fail(kErrorInvalidHandle);
    const ServicesConfig& config = *computer_.services;
    if (config.manager == ManagerBehaviour::EnumRefused) return Fail(kErrorAccessDenied);
    if (entries == nullptr && bufferBytes > 0) return Fail(kErrorInvalidParameter);

    std::vector<const LabService*> matching;
    for (const auto& s : config.list) {
      if (Matches(s, serviceType, serviceState)) matching.push_back(&s);
    }
    if (grown_ && Matches(kServiceAddedWhileListing, serviceType, serviceState)) {
      matching.push_back(&kServiceAddedWhileListing);
    }
    if (config.manager == ManagerBehaviour::Grows) grown_ = true;  // from the next call on

    std::size_t next = std::min<std::size_t>(resumeHandle, matching.size());
    if (entries != nullptr) entries->clear();
    uint32_t used = 0;
    while (next < matching.size() && used + RecordBytes(*matching[next]) <= bufferBytes) {
      const LabService& s = *matching[next];
      entries->push_back(ServiceStatusEntry{s.name, s.display, s.type, s.state});
      used += RecordBytes(s);
      ++servicesReturned;
      ++next;
    }
    if (next == matching.size()) {
      resumeHandle = 0;
      return true;
    }
    for (std::size_t i = next; i < matching.size(); ++i) bytesNeeded += RecordBytes(*matching[i]);
    resumeHandle = static_cast<uint32_t>(next);
    return Fail(kErrorMoreData);
  }

  uint32_t LastError() override { return lastError_; }
  void Close() override { closed_ = true; }

 private:
  static bool Matches(const LabService& s, uint32_t serviceType, uint32_t serviceState) {
    if ((s.type & serviceType) == 0) return false;
    const uint32_t stateBit = s.state == kServiceStopped ? kServiceInactive : kServiceActive;
    return (stateBit & serviceState) != 0;
  }

  bool Fail(uint32_t error) {
    lastError_ = error;
    return false;
  }

  const LabComputer& computer_;
  uint32_t lastError_ = 0;
  bool closed_ = false;
  bool grown_ = false;
};

class LabServiceManager : public ServiceControlManager {
 public:
  explicit LabServiceManager(LabDirectory& directory) : directory_(directory) {}

  std::unique_ptr<ServiceManagerHandle> Open(const std::string& computerName, uint32_t) override {
    const LabComputer* computer = directory_.Find(computerName);
    if (computer != nullptr) SimulateLatency(computer->latency.services);
    if (computer == nullptr || !computer->services ||
        computer->services->manager == ManagerBehaviour::Refused) {
      return nullptr;
    }
    return std::make_unique<LabServiceManagerHandle>(*computer);
  }

 private:
  LabDirectory& directory_;
};

// ---- workstation service ---------------------------------------------------------------

std::string WithoutLeadingBackslashes(const std::string& name) {
  return name.substr(std::min(name.find_first_not_of('\\'), name.size()));
}

class LabWorkstation : public WorkstationService {
 public:
  explicit LabWorkstation(LabDirectory& directory) : directory_(directory) {}

  // The resume handle is the position in the list. A call from position 0 starts an
  // enumeration and sees the logons of the file; later calls of it also see the ones
  // added after the first call. The total is what remains from the call's position.
  uint32_t NetWkstaUserEnum(const std::string& server, uint32_t level, uint32_t preferredMaxLength,
                            std::vector<WkstaUserInfo1>& buffer, uint32_t& entriesRead,
                            uint32_t& totalEntries, uint32_t& resumeHandle) override {
    buffer.clear();
    entriesRead = 0;
    totalEntries = 0;
    const LabComputer* computer = directory_.Find(WithoutLeadingBackslashes(server));
    if (computer != nullptr) SimulateLatency(computer->latency.logons);
    if (computer == nullptr || !computer->logons) return static_cast<uint32_t>(kErrorBadNetPath);
    if (level > 1) return kErrorInvalidLevel;
    const LogonsConfig& logons = *computer->logons;
    if (logons.status != 0) return logons.status;

    std::vector<WkstaUserInfo1> current = logons.entries;
    if (resumeHandle > 0) {
      current.insert(current.end(), logons.addedAfterFirstCall.begin(),
                     logons.addedAfterFirstCall.end());
    }
    const std::size_t position = std::min<std::size_t>(resumeHandle, current.size());
    const std::size_t remaining = current.size() - position;
    const std::size_t count =
        preferredMaxLength == kMaxPreferredLength ? remaining : std::min<std::size_t>(logons.perCall, remaining);
    for (std::size_t i = position; i < position + count; ++i) {
      WkstaUserInfo1 entry = current[i];
      if (level == 0) entry = WkstaUserInfo1{entry.userName, {}, {}, {}};
      buffer.push_back(std::move(entry));
    }
    entriesRead = static_cast<uint32_t>(count);
    totalEntries = static_cast<uint32_t>(remaining);
    if (position + count < current.size()) {
      resumeHandle = static_cast<uint32_t>(position + count);
      return static_cast<uint32_t>(kErrorMoreData);
    }
    resumeHandle = 0;
    return 0;
  }

 private:
  LabDirectory& directory_;
};

// ---- administrative shares ---------------------------------------------------------------

class LabShares : public DiskShares {
 public:
  explicit LabShares(LabDirectory& directory) : directory_(directory) {}

  bool GetDiskFreeSpaceEx(const std::string& path, uint64_t& freeBytesAvailable,
                          uint64_t& totalBytes, uint64_t& totalFreeBytes) override {
    // \\COMPUTER\SHARE, optionally with a trailing backslash or a folder below it.
    if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return false;
    const std::size_t shareStart = path.find('\\', 2);
    if (shareStart == std::string::npos) return false;
    const std::string computerName = path.substr(2, shareStart - 2);
    const std::size_t shareEnd = std::min(path.find('\\', shareStart + 1), path.size());
    const std::string share = path.substr(shareStart + 1, shareEnd - shareStart - 1);

    const LabComputer* computer = directory_.Find(computerName);
    if (computer == nullptr) return false;
    SimulateLatency(computer->latency.shares);
    auto it = computer->shares.find(FoldCase(share));
    if (it == computer->shares.end()) return false;
    freeBytesAvailable = it->second.available;
    totalBytes = it->second.total;
    totalFreeBytes = it->second.free;
    return true;
  }

 private:
  LabDirectory& directory_;
};

}  // namespace

std::unique_ptr<ServiceControlManager> MakeLabServiceManager(LabDirectory& directory) {
  return std::make_unique<LabServiceManager>(directory);
}

std::unique_ptr<WorkstationService> MakeLabWorkstation(LabDirectory& directory) {
  return std::make_unique<LabWorkstation>(directory);
}

std::unique_ptr<DiskShares> MakeLabShares(LabDirectory& directory) {
  return std::make_unique<LabShares>(directory);
}

}  // namespace korvane::lab

#include "tests/collect/fake_target.h"

#include <algorithm>
#include <cctype>

namespace korvane::test {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class FakeObject : public WmiObject {
 public:
  explicit FakeObject(WmiInstance properties) : properties_(std::move(properties)) {}
  std::optional<Variant> Property(std::string_view name) const override {
    for (const auto& [key, value] : properties_) {
      if (Lower(key) == Lower(std::string(name))) return value;
    }
    return std::nullopt;
  }

 private:
  WmiInstance properties_;
};

class FakeSink : public WmiSink {
 public:
  void Cancel() override {}
};

class FakeServices : public WmiServices {
 public:
  explicit FakeServices(FakeTarget& t) : t_(t) {}
  std::vector<std::unique_ptr<WmiObject>> ExecQuery(const std::string& query, const std::string&,
                                                    int32_t) override {
    t_.wmiQueries.push_back(query);
    const std::string cls = query.substr(query.rfind(' ') + 1);
    if (auto e = t_.wmiQueryErrors.find(cls); e != t_.wmiQueryErrors.end()) throw e->second;
    std::vector<std::unique_ptr<WmiObject>> out;
    for (const WmiInstance& i : t_.wmiClasses[cls]) out.push_back(std::make_unique<FakeObject>(i));
    return out;
  }
  void ExecNotificationQueryAsync(WmiSink&, const std::string&, const std::string&,
                                  int32_t) override {
    ++t_.wmiNotifications;
  }

 private:
  FakeTarget& t_;
};

class FakeLocator : public WmiLocator {
 public:
  explicit FakeLocator(FakeTarget& t) : t_(t) {}
  std::unique_ptr<WmiServices> ConnectServer(const std::string&) override {
    if (t_.wmiConnectError) throw RuntimeError(-2147023174, *t_.wmiConnectError);
    return std::make_unique<FakeServices>(t_);
  }

 private:
  FakeTarget& t_;
};

class FakeWmi : public WmiApi {
 public:
  explicit FakeWmi(FakeTarget& t) : t_(t) {}
  std::unique_ptr<WmiLocator> CreateLocator() override { return std::make_unique<FakeLocator>(t_); }
  std::unique_ptr<WmiSink> CreateSink() override { return std::make_unique<FakeSink>(); }

 private:
  FakeTarget& t_;
};

class FakeKey : public RegistryKey {
 public:
  FakeKey(FakeTarget& t, std::string path) : t_(t), path_(std::move(path)) {}
  int32_t OpenKey(const std::string& path, uint32_t, uint32_t access,
                  std::unique_ptr<RegistryKey>& opened) override {
    const std::string full = path_ + "\\" + path;
    const bool exists = std::any_of(t_.keys.begin(), t_.keys.end(), [&](const auto& entry) {
      const std::string key = Lower(entry.first);
      return key == Lower(full) || key.rfind(Lower(full) + "\\", 0) == 0;
    });
    if (!exists) return kErrorFileNotFound;
    if (t_.registryReadOnly && (access & ~0x20019u) != 0) return kErrorAccessDenied;
    opened = std::make_unique<FakeKey>(t_, full);
    return kErrorSuccess;
  }
  int32_t QueryValue(const std::string& name, uint32_t& type, std::string* data,
                     uint32_t& size) override {
    for (auto& [key, values] : t_.keys) {
      if (Lower(key) != Lower(path_)) continue;
      for (const auto& [valueName, value] : values) {
        if (Lower(valueName) != Lower(name)) continue;
        type = value.type;
        const auto bytes = static_cast<uint32_t>(value.data.size());
        if (data == nullptr || size < bytes) {
          size = bytes;
          return data == nullptr ? kErrorMoreData : kErrorMoreData;
        }
        data->replace(0, bytes, value.data);
        size = bytes;
        return kErrorSuccess;
      }
    }
    return kErrorFileNotFound;
  }
  int32_t EnumKey(uint32_t index, std::string& name, uint32_t) override {
    std::vector<std::string> names;
    const std::string prefix = Lower(path_) + "\\";
    for (const auto& entry : t_.keys) {
      if (Lower(entry.first).rfind(prefix, 0) != 0) continue;
      std::string rest = entry.first.substr(prefix.size());
      rest = rest.substr(0, rest.find('\\'));
      if (std::find(names.begin(), names.end(), rest) == names.end()) names.push_back(rest);
    }
    if (index >= names.size()) return kErrorNoMoreItems;
    name = names[index] + '\0';
    return kErrorSuccess;
  }

 private:
  FakeTarget& t_;
  std::string path_;
};

class FakeRegistry : public RemoteRegistry {
 public:
  explicit FakeRegistry(FakeTarget& t) : t_(t) {}
  int32_t Connect(const std::string&, uint32_t root, std::unique_ptr<RegistryKey>& connected) override {
    if (t_.registryConnectStatus != 0) return t_.registryConnectStatus;
    connected = std::make_unique<FakeKey>(
        t_, root == kHkeyUsers ? "HKEY_USERS" : "HKEY_LOCAL_MACHINE");
    return kErrorSuccess;
  }

 private:
  FakeTarget& t_;
};

class FakeManagerHandle : public ServiceManagerHandle {
 public:
  explicit FakeManagerHandle(FakeTarget& t) : t_(t) {}
  bool EnumServicesStatus(uint32_t, uint32_t, uint32_t bufferBytes,
                          std::vector<ServiceStatusEntry>* entries, uint32_t& bytesNeeded,
                          uint32_t& servicesReturned, uint32_t&) override {
    uint32_t needed = 0;
    std::vector<ServiceStatusEntry> listed;
    for (const auto& s : t_.services) {
      if (s.serviceType == 1) continue;  // drivers are not Win32 services
      listed.push_back(s);
      needed += kEnumServiceStatusRecordBytes +
                static_cast<uint32_t>(s.serviceName.size() + s.displayName.size() + 2);
    }
    if (entries == nullptr) {
      bytesNeeded = needed;
      lastError_ = t_.probeLastError;
      return false;
    }
    if (t_.listGrows || bufferBytes < needed) {
      lastError_ = kErrorMoreData;
      return false;
    }
    *entries = listed;
    servicesReturned = static_cast<uint32_t>(listed.size());
    return true;
  }
  uint32_t LastError() override { return lastError_; }
  void Close() override {}

 private:
  FakeTarget& t_;
  uint32_t lastError_ = 0;
};

class FakeManager : public ServiceControlManager {
 public:
  explicit FakeManager(FakeTarget& t) : t_(t) {}
  std::unique_ptr<ServiceManagerHandle> Open(const std::string&, uint32_t) override {
    if (!t_.managerOpens) return nullptr;
    return std::make_unique<FakeManagerHandle>(t_);
  }

 private:
  FakeTarget& t_;
};

class FakeWorkstation : public WorkstationService {
 public:
  explicit FakeWorkstation(FakeTarget& t) : t_(t) {}
  uint32_t NetWkstaUserEnum(const std::string&, uint32_t, uint32_t,
                            std::vector<WkstaUserInfo1>& buffer, uint32_t& entriesRead,
                            uint32_t& totalEntries, uint32_t& resumeHandle) override {
    ++t_.logonCalls;
    if (t_.logonStatus != 0) return t_.logonStatus;
    const auto remaining = static_cast<uint32_t>(t_.logons.size()) - resumeHandle;
    totalEntries = remaining;
    entriesRead = std::min(remaining, t_.perCall);
    for (uint32_t i = 0; i < entriesRead; ++i) {
      const Logon& l = t_.logons[resumeHandle + i];
      buffer.push_back({l.user, l.domain, "", ""});
    }
    resumeHandle += entriesRead;
    if (t_.logonCalls == 1) {
      t_.logons.insert(t_.logons.end(), t_.addedAfterFirstCall.begin(),
                       t_.addedAfterFirstCall.end());
    }
    return resumeHandle < t_.logons.size() ? kErrorMoreData : kErrorSuccess;
  }

 private:
  FakeTarget& t_;
};

class FakeShares : public DiskShares {
 public:
  explicit FakeShares(FakeTarget& t) : t_(t) {}
  bool GetDiskFreeSpaceEx(const std::string& path, uint64_t& available, uint64_t& total,
                          uint64_t& free) override {
    for (const auto& [share, counts] : t_.shares) {
      if (Lower(share) != Lower(path)) continue;
      total = counts.first;
      free = available = counts.second;
      return true;
    }
    return false;
  }

 private:
  FakeTarget& t_;
};

class NoEcho : public EchoService {
 public:
  void StartSockets() override {}
  void StopSockets() override {}
  std::optional<IPv4> Resolve(const std::string&) override { return std::nullopt; }
  std::unique_ptr<EchoHandle> CreateEchoHandle() override { return nullptr; }
};

}  // namespace

struct FakeTarget::Impl {
  explicit Impl(FakeTarget& t)
      : wmi(t), registry(t), manager(t), workstation(t), shares(t) {}
  NoEcho echo;
  FakeWmi wmi;
  FakeRegistry registry;
  FakeManager manager;
  FakeWorkstation workstation;
  FakeShares shares;
};

FakeTarget::FakeTarget() : impl_(std::make_unique<Impl>(*this)) {}
FakeTarget::~FakeTarget() = default;
EchoService& FakeTarget::Echo() { return impl_->echo; }
WmiApi& FakeTarget::Wmi() { return impl_->wmi; }
RemoteRegistry& FakeTarget::Registry() { return impl_->registry; }
ServiceControlManager& FakeTarget::Services() { return impl_->manager; }
WorkstationService& FakeTarget::Workstation() { return impl_->workstation; }
DiskShares& FakeTarget::Shares() { return impl_->shares; }

void FakeTarget::AddKey(const std::string& keyPath) {
  for (const auto& entry : keys) {
    if (Lower(entry.first) == Lower(keyPath)) return;
  }
  keys.emplace_back(keyPath, std::map<std::string, RegValue>{});
}

void FakeTarget::SetValue(const std::string& keyPath, const std::string& name, RegValue value) {
  AddKey(keyPath);
  for (auto& entry : keys) {
    if (Lower(entry.first) == Lower(keyPath)) entry.second[name] = std::move(value);
  }
}

RegValue Sz(const std::string& text) { return {kRegSz, text + '\0'}; }
RegValue ExpandSz(const std::string& text) { return {kRegExpandSz, text + '\0'}; }
RegValue MultiSz(const std::vector<std::string>& texts) {
  std::string data;
  for (const auto& t : texts) data += t + '\0';
  return {kRegMultiSz, data + '\0'};
}
RegValue Dword(uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return {kRegDword, data};
}

std::vector<std::string> CollectScan::Log() {
  std::vector<std::string> out;
  for (const std::string& line : process.files[LogFilePath(k)]) {
    out.push_back(line.substr(line.find(',') + 1));
  }
  return out;
}

}  // namespace korvane::test

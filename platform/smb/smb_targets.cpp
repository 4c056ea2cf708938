#include "platform/smb/smb_targets.h"

#include <map>
#include <utility>

#include "platform/smb/ndr.h"
#include "platform/smb/svcctl_ndr.h"
#include "platform/smb/winreg_ndr.h"
#include "platform/smb/wkssvc_ndr.h"

namespace korvane::smb {

namespace {

// A server that names subkeys without end would keep the scan listing forever; no list
// the scan keeps holds more names than this.
constexpr uint32_t kMaxSubkeys = 32768;

// One pipe per computer and interface. A pipe that could not be opened is remembered with
// its error, so that a scan does not knock at a closed door once per registry value.
class Pipes {
 public:
  explicit Pipes(TransportFactory factory) : factory_(std::move(factory)) {}

  std::shared_ptr<RpcPipe> Get(const std::string& computer, Interface which, int32_t& error) {
    auto& slot = pipes_[{computer, which}];
    if (!slot.pipe && slot.error == 0) {
      Transport* transport = GetTransport();
      if (transport == nullptr) {
        slot.error = kErrorBadNetPath;
      } else {
        slot.pipe = transport->Open(computer, which, slot.error);
        if (!slot.pipe && slot.error == 0) slot.error = kErrorBadNetPath;
      }
    }
    error = slot.error;
    return slot.pipe;
  }

  Transport* GetTransport() {
    if (!madeTransport_) {
      transport_ = factory_();
      madeTransport_ = true;
    }
    return transport_.get();
  }

 private:
  struct Slot {
    std::shared_ptr<RpcPipe> pipe;
    int32_t error = 0;
  };
  TransportFactory factory_;
  bool madeTransport_ = false;
  std::unique_ptr<Transport> transport_;
  std::map<std::pair<std::string, Interface>, Slot> pipes_;
};

// One call: the Windows error of a failed pipe or of a reply that does not decode, else
// the decoded reply's own status.
template <typename Reply, typename Decode>
int32_t Exchange(RpcPipe& pipe, uint16_t opnum, const std::string& request, Decode decode,
                 Reply& reply) {
  std::string raw;
  if (const int32_t error = pipe.Call(opnum, request, raw); error != 0) return error;
  try {
    reply = decode(raw);
  } catch (const NdrError&) {
    return kErrorCallFailed;
  }
  return 0;
}

bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

class SmbRegistryKey : public RegistryKey {
 public:
  SmbRegistryKey(std::shared_ptr<RpcPipe> pipe, const ContextHandle& handle)
      : pipe_(std::move(pipe)), handle_(handle) {}
  SmbRegistryKey(const SmbRegistryKey&) = delete;
  SmbRegistryKey& operator=(const SmbRegistryKey&) = delete;
  ~SmbRegistryKey() override {
    uint32_t status = 0;
    Exchange(*pipe_, winreg::kCloseKey, winreg::EncodeCloseKey(handle_), winreg::DecodeCloseKey,
             status);
  }

  int32_t OpenKey(const std::string& path, uint32_t options, uint32_t access,
                  std::unique_ptr<RegistryKey>& opened) override {
    winreg::HandleReply reply;
    std::string request;
    try {
      request = winreg::EncodeOpenKey(handle_, path, options, access);
    } catch (const NdrError&) {
      return kErrorFileNotFound;
    }
    if (const int32_t error =
            Exchange(*pipe_, winreg::kOpenKey, request, winreg::DecodeHandleReply, reply)) {
      return error;
    }
    if (reply.status == 0) opened = std::make_unique<SmbRegistryKey>(pipe_, reply.handle);
    return static_cast<int32_t>(reply.status);
  }

  // The probe reads the whole value and keeps it for the read that follows, so that the
  // size it reports is that of the UTF-8 text the read hands over.
  int32_t QueryValue(const std::string& name, uint32_t& type, std::string* data,
                     uint32_t& size) override {
    if (!cached_ || cachedName_ != name) {
      cached_ = false;
      if (const int32_t status = ReadWhole(name); status != 0) return status;
    }
    type = cachedType_;
    const auto needed = static_cast<uint32_t>(cachedValue_.size());
    if (data == nullptr) {
      size = needed;
      return kErrorSuccess;
    }
    if (size < needed) {
      size = needed;
      return kErrorMoreData;
    }
    if (data->size() < needed) data->resize(needed);
    data->replace(0, needed, cachedValue_);
    size = needed;
    cached_ = false;
    return kErrorSuccess;
  }

  int32_t EnumKey(uint32_t index, std::string& name, uint32_t bufferChars) override {
    if (index >= kMaxSubkeys) return kErrorNoMoreItems;
    winreg::EnumKeyReply reply;
    const auto room = static_cast<uint16_t>(std::min<uint32_t>(bufferChars, 0x7FFF));
    if (const int32_t error = Exchange(*pipe_, winreg::kEnumKey,
                                       winreg::EncodeEnumKey(handle_, index, room),
                                       winreg::DecodeEnumKey, reply)) {
      return error;
    }
    if (reply.status == 0) name = reply.name;
    return static_cast<int32_t>(reply.status);
  }

 private:
  int32_t ReadWhole(const std::string& name) {
    std::string probe;
    std::string fetch;
    try {
      probe = winreg::EncodeQueryValue(handle_, name, 0);
    } catch (const NdrError&) {
      return kErrorFileNotFound;
    }
    winreg::QueryValueReply reply;
    if (const int32_t error =
            Exchange(*pipe_, winreg::kQueryValue, probe, winreg::DecodeQueryValue, reply)) {
      return error;
    }
    if (reply.status != 0 && reply.status != static_cast<uint32_t>(kErrorMoreData)) {
      return static_cast<int32_t>(reply.status);
    }
    std::string bytes;
    const uint32_t type = reply.type;
    if (reply.size > 0) {
      const uint32_t offered = reply.size;
      if (const int32_t error = Exchange(*pipe_, winreg::kQueryValue,
                                         winreg::EncodeQueryValue(handle_, name, offered),
                                         winreg::DecodeQueryValue, reply)) {
        return error;
      }
      if (reply.status != 0) return static_cast<int32_t>(reply.status);
      bytes = std::move(reply.data);
    }
    cachedType_ = reply.type != 0 ? reply.type : type;
    cachedValue_ = IsStringType(cachedType_) ? Utf16leToUtf8(bytes) : bytes;
    cachedName_ = name;
    cached_ = true;
    return kErrorSuccess;
  }

  std::shared_ptr<RpcPipe> pipe_;
  ContextHandle handle_;
  bool cached_ = false;
  std::string cachedName_;
  uint32_t cachedType_ = 0;
  std::string cachedValue_;
};

class SmbRegistry : public RemoteRegistry {
 public:
  explicit SmbRegistry(Pipes& pipes) : pipes_(pipes) {}

  int32_t Connect(const std::string& computer, uint32_t root,
                  std::unique_ptr<RegistryKey>& connected) override {
    uint16_t opnum = 0;
    if (root == kHkeyLocalMachine) {
      opnum = winreg::kOpenHklm;
    } else if (root == kHkeyUsers) {
      opnum = winreg::kOpenHku;
    } else {
      return kErrorInvalidHandle;
    }
    int32_t error = 0;
    auto pipe = pipes_.Get(computer, Interface::Registry, error);
    if (!pipe) return error;
    winreg::HandleReply reply;
    if (const int32_t failed = Exchange(*pipe, opnum, winreg::EncodeOpenRoot(kMaximumAllowed),
                                        winreg::DecodeHandleReply, reply)) {
      return failed;
    }
    if (reply.status == 0) connected = std::make_unique<SmbRegistryKey>(pipe, reply.handle);
    return static_cast<int32_t>(reply.status);
  }

 private:
  Pipes& pipes_;
};

// Sizes and counts cross this interface as for the ANSI call, a record and the UTF-8 texts
// with their NULs for each service, so a caller sizes its buffer from the probe as it would
// on Windows.
uint32_t RecordBytes(const std::vector<svcctl::Service>& services) {
  uint64_t bytes = 0;
  for (const auto& s : services) {
    bytes += kEnumServiceStatusRecordBytes + s.serviceName.size() + 1 + s.displayName.size() + 1;
  }
  return static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX));
}

class SmbServiceManager : public ServiceManagerHandle {
 public:
  SmbServiceManager(std::shared_ptr<RpcPipe> pipe, const ContextHandle& handle)
      : pipe_(std::move(pipe)), handle_(handle) {}
  SmbServiceManager(const SmbServiceManager&) = delete;
  SmbServiceManager& operator=(const SmbServiceManager&) = delete;
  ~SmbServiceManager() override { Close(); }

  bool EnumServicesStatus(uint32_t serviceType, uint32_t serviceState, uint32_t bufferBytes,
                          std::vector<ServiceStatusEntry>* entries, uint32_t& bytesNeeded,
                          uint32_t& servicesReturned, uint32_t& resumeHandle) override {
    std::vector<svcctl::Service> services;
    if (const int32_t error = ListAll(serviceType, serviceState, services); error != 0) {
      lastError_ = static_cast<uint32_t>(error);
      return false;
    }
    const uint32_t needed = RecordBytes(services);
    if (entries == nullptr || bufferBytes < needed) {
      bytesNeeded = needed;
      servicesReturned = 0;
      lastError_ = static_cast<uint32_t>(kErrorMoreData);
      return false;
    }
    entries->clear();
    for (auto& s : services) {
      entries->push_back(ServiceStatusEntry{std::move(s.serviceName), std::move(s.displayName),
                                            s.serviceType, s.currentState});
    }
    bytesNeeded = 0;
    servicesReturned = static_cast<uint32_t>(entries->size());
    resumeHandle = 0;
    lastError_ = 0;
    return true;
  }

  uint32_t LastError() override { return lastError_; }

  void Close() override {
    if (!open_) return;
    open_ = false;
    uint32_t status = 0;
    Exchange(*pipe_, svcctl::kCloseServiceHandle, svcctl::EncodeCloseServiceHandle(handle_),
             svcctl::DecodeCloseServiceHandle, status);
  }

 private:
  // The whole listing: a probe for the size, then the buffer it asks for; once more if the
  // list grew in between.
  int32_t ListAll(uint32_t type, uint32_t state, std::vector<svcctl::Service>& services) {
    uint32_t offered = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
      svcctl::EnumReply reply;
      if (const int32_t error = Exchange(
              *pipe_, svcctl::kEnumServicesStatus,
              svcctl::EncodeEnumServicesStatus(handle_, type, state, offered, 0),
              [offered](std::string_view raw) {
                return svcctl::DecodeEnumServicesStatus(raw, offered);
              },
              reply)) {
        return error;
      }
      if (reply.status == 0) {
        try {
          services = svcctl::ParseServices(reply.buffer, reply.returned);
        } catch (const NdrError&) {
          return kErrorCallFailed;
        }
        return 0;
      }
      if (reply.status != static_cast<uint32_t>(kErrorMoreData) || reply.needed <= offered) {
        return static_cast<int32_t>(reply.status);
      }
      offered = reply.needed;
    }
    return kErrorMoreData;
  }

  std::shared_ptr<RpcPipe> pipe_;
  ContextHandle handle_;
  bool open_ = true;
  uint32_t lastError_ = 0;
};

class SmbServiceControl : public ServiceControlManager {
 public:
  explicit SmbServiceControl(Pipes& pipes) : pipes_(pipes) {}

  std::unique_ptr<ServiceManagerHandle> Open(const std::string& computer,
                                             uint32_t access) override {
    int32_t error = 0;
    auto pipe = pipes_.Get(computer, Interface::Services, error);
    if (!pipe) return nullptr;
    svcctl::HandleReply reply;
    if (Exchange(*pipe, svcctl::kOpenScManager, svcctl::EncodeOpenScManager(computer, access),
                 svcctl::DecodeOpenScManager, reply) != 0 ||
        reply.status != 0) {
      return nullptr;
    }
    return std::make_unique<SmbServiceManager>(pipe, reply.handle);
  }

 private:
  Pipes& pipes_;
};

class SmbWorkstation : public WorkstationService {
 public:
  explicit SmbWorkstation(Pipes& pipes) : pipes_(pipes) {}

  uint32_t NetWkstaUserEnum(const std::string& server, uint32_t level, uint32_t preferredMaxLength,
                            std::vector<WkstaUserInfo1>& buffer, uint32_t& entriesRead,
                            uint32_t& totalEntries, uint32_t& resumeHandle) override {
    if (level != 1) return kErrorInvalidLevel;
    int32_t error = 0;
    auto pipe = pipes_.Get(server, Interface::Workstation, error);
    if (!pipe) return static_cast<uint32_t>(error);
    wkssvc::EnumUsersReply reply;
    if (const int32_t failed =
            Exchange(*pipe, wkssvc::kEnumUsers,
                     wkssvc::EncodeEnumUsers(server, preferredMaxLength, resumeHandle),
                     wkssvc::DecodeEnumUsers, reply)) {
      return static_cast<uint32_t>(failed);
    }
    if (reply.status == 0 || reply.status == static_cast<uint32_t>(kErrorMoreData)) {
      buffer = std::move(reply.users);
      entriesRead = static_cast<uint32_t>(buffer.size());
      totalEntries = reply.total;
      resumeHandle = reply.resume;
    }
    return reply.status;
  }

 private:
  Pipes& pipes_;
};

class SmbShares : public DiskShares {
 public:
  explicit SmbShares(Pipes& pipes) : pipes_(pipes) {}

  bool GetDiskFreeSpaceEx(const std::string& path, uint64_t& freeBytesAvailable,
                          uint64_t& totalBytes, uint64_t& totalFreeBytes) override {
    // \\computer\share, with or without a closing backslash.
    if (path.rfind("\\\\", 0) != 0) return false;
    const auto slash = path.find('\\', 2);
    if (slash == std::string::npos || slash == 2) return false;
    std::string share = path.substr(slash + 1);
    if (!share.empty() && share.back() == '\\') share.pop_back();
    if (share.empty() || share.find('\\') != std::string::npos) return false;
    Transport* transport = pipes_.GetTransport();
    if (transport == nullptr) return false;
    const auto space = transport->Space(path.substr(2, slash - 2), share);
    if (!space) return false;
    freeBytesAvailable = space->availableBytes;
    totalBytes = space->totalBytes;
    totalFreeBytes = space->freeBytes;
    return true;
  }

 private:
  Pipes& pipes_;
};

}  // namespace

struct SmbServices::State {
  explicit State(TransportFactory factory)
      : pipes(std::move(factory)),
        registry(pipes),
        services(pipes),
        workstation(pipes),
        shares(pipes) {}
  Pipes pipes;
  SmbRegistry registry;
  SmbServiceControl services;
  SmbWorkstation workstation;
  SmbShares shares;
};

SmbServices::SmbServices(TransportFactory factory)
    : state_(std::make_unique<State>(std::move(factory))) {}
SmbServices::~SmbServices() = default;

RemoteRegistry& SmbServices::Registry() { return state_->registry; }
ServiceControlManager& SmbServices::Services() { return state_->services; }
WorkstationService& SmbServices::Workstation() { return state_->workstation; }
DiskShares& SmbServices::Shares() { return state_->shares; }

}  // namespace korvane::smb

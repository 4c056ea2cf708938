// The remote registry of the lab: statuses, types and byte counts as RegConnectRegistryA,
// RegOpenKeyExA, RegQueryValueExA and RegEnumKeyA report them.
#include "lab/simulator/lab_services.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace korvane::lab {

namespace {

// A "read" registry grants what KEY_READ asks for (plus the WOW64 view flags and
// MAXIMUM_ALLOWED, which only ever narrow down to what is granted).
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kWow64Flags = kKeyWow64View64 | kKeyWow64View32;
constexpr std::string_view kWow64Node = "Wow6432Node";

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// A 64-bit computer keeps its 32-bit view of HKEY_LOCAL_MACHINE\Software under
// Software\Wow6432Node; a 32-bit-view open of a path below Software is answered from
// there. A computer without that key is a 32-bit one, which ignores the view flags.
std::string InThirtyTwoBitView(const RegistryNode& localMachine, const std::string& path) {
  const std::size_t slash = path.find('\\');
  const std::string_view first = std::string_view(path).substr(0, slash);
  if (!SameName(first, "Software")) return path;
  const RegistryNode* software = localMachine.FindSubkey(first);
  if (software == nullptr || software->FindSubkey(kWow64Node) == nullptr) return path;
  const std::string rest = slash == std::string::npos ? "" : path.substr(slash + 1);
  const std::string_view second = std::string_view(rest).substr(0, rest.find('\\'));
  if (SameName(second, kWow64Node)) return path;
  return std::string(first) + "\\" + std::string(kWow64Node) + (rest.empty() ? "" : "\\" + rest);
}

class LabRegistryKey : public RegistryKey {
 public:
  // node nullptr: a root key under which the file lists nothing.
  LabRegistryKey(const LabComputer& computer, const RegistryNode* node, bool localMachine = false)
      : computer_(computer), node_(node), localMachine_(localMachine) {}

  int32_t OpenKey(const std::string& requested, uint32_t, uint32_t access,
                  std::unique_ptr<RegistryKey>& opened) override {
    SimulateLatency(computer_.latency.registry);
    const std::string path = localMachine_ && node_ != nullptr && (access & kKeyWow64View32) != 0
                                 ? InThirtyTwoBitView(*node_, requested)
                                 : requested;
    const RegistryNode* node = node_;
    std::size_t start = 0;
    while (start < path.size()) {
      const std::size_t slash = std::min(path.find('\\', start), path.size());
      if (slash > start) {
        node = node ? node->FindSubkey(std::string_view(path).substr(start, slash - start)) : nullptr;
        if (node == nullptr) return kErrorFileNotFound;
      }
      start = slash + 1;
    }
    if (computer_.registry->access == RegistryAccess::Read &&
        (access & ~(kKeyRead | kWow64Flags | kMaximumAllowed)) != 0) {
      return kErrorAccessDenied;
    }
    opened = std::make_unique<LabRegistryKey>(computer_, node);
    return kErrorSuccess;
  }

  int32_t QueryValue(const std::string& name, uint32_t& type, std::string* data,
                     uint32_t& size) override {
    SimulateLatency(computer_.latency.registry);
    const RegistryValue* value = node_ ? node_->FindValue(name) : nullptr;
    if (value == nullptr) return kErrorFileNotFound;
    type = value->type;
    const auto needed = static_cast<uint32_t>(value->bytes.size());
    if (data == nullptr) {
      size = needed;
      return kErrorSuccess;
    }
    if (size < needed) {
      size = needed;
      return kErrorMoreData;
    }
    if (data->size() < needed) data->resize(needed);
    data->replace(0, needed, value->bytes);
    size = needed;
    return kErrorSuccess;
  }

  int32_t EnumKey(uint32_t index, std::string& name, uint32_t bufferChars) override {
    SimulateLatency(computer_.latency.registry);
    if (node_ == nullptr || index >= node_->subkeys().size()) return kErrorNoMoreItems;
    const std::string& subkey = node_->subkeys()[index]->name;
    if (subkey.size() + 1 > bufferChars) return kErrorMoreData;
    name = subkey;
    return kErrorSuccess;
  }

 private:
  const LabComputer& computer_;
  const RegistryNode* node_;
  bool localMachine_;
};

class LabRegistry : public RemoteRegistry {
 public:
  explicit LabRegistry(LabDirectory& directory) : directory_(directory) {}

  int32_t Connect(const std::string& computerName, uint32_t root,
                  std::unique_ptr<RegistryKey>& connected) override {
    const LabComputer* computer = directory_.Find(computerName);
    if (computer != nullptr) SimulateLatency(computer->latency.registry);
    if (computer == nullptr || !computer->registry ||
        computer->registry->access == RegistryAccess::None) {
      return kErrorBadNetPath;
    }
    // Only these two hives can be reached over the network.
    const char* hive = root == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE"
                       : root == kHkeyUsers      ? "HKEY_USERS"
                                                 : nullptr;
    if (hive == nullptr) return kErrorInvalidHandle;
    connected = std::make_unique<LabRegistryKey>(*computer, computer->registry->roots.FindSubkey(hive),
                                                 root == kHkeyLocalMachine);
    return kErrorSuccess;
  }

 private:
  LabDirectory& directory_;
};

}  // namespace

std::unique_ptr<RemoteRegistry> MakeLabRegistry(LabDirectory& directory) {
  return std::make_unique<LabRegistry>(directory);
}

}  // namespace korvane::lab

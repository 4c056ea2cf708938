// The model's own rules: names compared without regard to ASCII case, derived
// addresses, and the lookups and edits the simulator and the authoring tools share.
#include "lab/model/lab_computer.h"

#include <charconv>
#include <stdexcept>

#include "lab/model/lab_keys.h"

namespace korvane::lab {

namespace {

std::string CanonicalRoot(std::string_view root) {
  const std::string folded = FoldCase(root);
  if (folded == "hkey_local_machine" || folded == "hklm") return "HKEY_LOCAL_MACHINE";
  if (folded == "hkey_users" || folded == "hku") return "HKEY_USERS";
  if (folded == "hkey_current_user" || folded == "hkcu") return "HKEY_CURRENT_USER";
  if (folded == "hkey_classes_root" || folded == "hkcr") return "HKEY_CLASSES_ROOT";
  if (folded == "hkey_current_config" || folded == "hkcc") return "HKEY_CURRENT_CONFIG";
  return {};
}

std::vector<std::string_view> PathParts(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('\\', start), path.size());
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

const std::pair<std::string_view, uint32_t> kStates[] = {
    {"stopped", 1}, {"startPending", 2}, {"stopPending", 3}, {"running", 4},
    {"continuePending", 5}, {"pausePending", 6}, {"paused", 7}};

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

IPv4 DerivedAddress(std::string_view fileName) {
  uint32_t h = 2166136261u;  // FNV-1a: stable on every platform and run
  for (const char c : FoldCase(fileName)) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return IPv4{10, static_cast<uint8_t>(h >> 24), static_cast<uint8_t>(h >> 16),
              static_cast<uint8_t>(1 + (h & 0xFFFF) % 254)};
}

std::optional<IPv4> ParseAddress(std::string_view text) {
  IPv4 address{};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    unsigned value = 0;
    const char* first = text.data() + pos;
    auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || ptr == first || ptr - first > 3 || value > 255) return std::nullopt;
    address[static_cast<std::size_t>(i)] = static_cast<uint8_t>(value);
    pos = static_cast<std::size_t>(ptr - text.data());
  }
  if (pos != text.size()) return std::nullopt;
  return address;
}

std::string AddressText(const IPv4& a) {
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
         std::to_string(a[3]);
}

uint32_t ServiceStateCode(std::string_view word) {
  for (const auto& [text, code] : kStates) {
    if (word == text) return code;
  }
  return 0;
}

std::string_view ServiceStateWord(uint32_t code) {
  for (const auto& [text, known] : kStates) {
    if (code == known) return text;
  }
  return "running";
}

std::array<std::pair<std::string_view, uint32_t*>, 7> LatencyFields(Latency& l) {
  return {{{keys::kLatencyEcho, &l.echo},
           {keys::kLatencyWmiConnect, &l.wmiConnect},
           {keys::kLatencyWmiQuery, &l.wmiQuery},
           {keys::kLatencyRegistry, &l.registry},
           {keys::kLatencyServices, &l.services},
           {keys::kLatencyLogons, &l.logons},
           {keys::kLatencyShares, &l.shares}}};
}

// ---- WMI -------------------------------------------------------------------------------

const Variant* WmiInstance::Get(std::string_view name) const {
  const std::string folded = FoldCase(name);
  for (const auto& [property, value] : properties) {
    if (FoldCase(property) == folded) return &value;
  }
  return nullptr;
}

WmiInstance& WmiInstance::Set(std::string_view name, Variant value) {
  const std::string folded = FoldCase(name);
  for (auto& [property, existing] : properties) {
    if (FoldCase(property) == folded) {
      existing = std::move(value);
      return *this;
    }
  }
  properties.emplace_back(std::string(name), std::move(value));
  return *this;
}

std::string WmiInstance::Text(std::string_view name) const {
  const Variant* value = Get(name);
  return value != nullptr && value->kind() == Variant::Kind::Text ? value->text() : std::string();
}

const WmiClass* WmiConfig::Find(std::string_view name) const {
  const std::string folded = FoldCase(name);
  for (const auto& wmiClass : classes) {
    if (FoldCase(wmiClass.name) == folded) return &wmiClass;
  }
  return nullptr;
}

WmiClass* WmiConfig::Find(std::string_view name) {
  return const_cast<WmiClass*>(std::as_const(*this).Find(name));
}

WmiClass& WmiConfig::Class(std::string_view name) {
  if (WmiClass* found = Find(name)) return *found;
  classes.push_back(WmiClass{std::string(name), {}});
  return classes.back();
}

std::optional<std::string> LabComputer::WmiComputerName() const {
  if (!wmi) return std::nullopt;
  const WmiClass* system = wmi->Find("Win32_ComputerSystem");
  if (system == nullptr || system->instances.empty()) return std::nullopt;
  const Variant* name = system->instances.front().Get("Name");
  if (name == nullptr || name->kind() != Variant::Kind::Text) return std::nullopt;
  return name->text();
}

// ---- registry --------------------------------------------------------------------------

RegistryValue RegistryValue::Text(std::string name, std::string_view text, uint32_t type) {
  return RegistryValue{std::move(name), type, std::string(text) + '\0'};
}

RegistryValue RegistryValue::Dword(std::string name, uint32_t n) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
  return RegistryValue{std::move(name), kRegDword, bytes};
}

std::string RegistryValue::AsText() const {
  if ((type != kRegSz && type != kRegExpandSz) || bytes.empty()) return {};
  return bytes.substr(0, bytes.size() - 1);
}

RegistryNode* RegistryNode::FindSubkey(std::string_view wanted) const {
  const auto found = subkeyIndex_.find(FoldCase(wanted));
  return found == subkeyIndex_.end() ? nullptr : subkeys_[found->second].get();
}

const RegistryValue* RegistryNode::FindValue(std::string_view wanted) const {
  const auto found = valueIndex_.find(FoldCase(wanted));
  return found == valueIndex_.end() ? nullptr : &values_[found->second];
}

RegistryNode& RegistryNode::Subkey(std::string_view wanted) {
  if (RegistryNode* existing = FindSubkey(wanted)) return *existing;
  subkeyIndex_.emplace(FoldCase(wanted), subkeys_.size());
  subkeys_.push_back(std::make_unique<RegistryNode>());
  subkeys_.back()->name = std::string(wanted);
  return *subkeys_.back();
}

void RegistryNode::RemoveSubkey(std::string_view wanted) {
  const auto found = subkeyIndex_.find(FoldCase(wanted));
  if (found == subkeyIndex_.end()) return;
  subkeys_.erase(subkeys_.begin() + static_cast<std::ptrdiff_t>(found->second));
  subkeyIndex_.clear();
  for (std::size_t i = 0; i < subkeys_.size(); ++i) subkeyIndex_.emplace(FoldCase(subkeys_[i]->name), i);
}

void RegistryNode::SetValue(RegistryValue value) {
  std::string folded = FoldCase(value.name);
  if (const auto found = valueIndex_.find(folded); found != valueIndex_.end()) {
    values_[found->second] = std::move(value);
    return;
  }
  valueIndex_.emplace(std::move(folded), values_.size());
  values_.push_back(std::move(value));
}

RegistryNode* RegistryConfig::Find(std::string_view path) const {
  const std::vector<std::string_view> parts = PathParts(path);
  if (parts.empty()) return nullptr;
  const std::string root = CanonicalRoot(parts[0]);
  RegistryNode* node = root.empty() ? nullptr : roots.FindSubkey(root);
  for (std::size_t i = 1; node != nullptr && i < parts.size(); ++i) node = node->FindSubkey(parts[i]);
  return node;
}

RegistryNode& RegistryConfig::Key(std::string_view path) {
  const std::vector<std::string_view> parts = PathParts(path);
  const std::string root = parts.empty() ? std::string() : CanonicalRoot(parts[0]);
  if (root.empty()) throw std::invalid_argument("a registry path starts with a root key");
  RegistryNode* node = &roots.Subkey(root);
  for (std::size_t i = 1; i < parts.size(); ++i) node = &node->Subkey(parts[i]);
  return *node;
}

}  // namespace korvane::lab

#include "lab/model/lab_computer.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace korvane::lab {

namespace {

// HRESULTs WMI reports for a refused connection.
constexpr int32_t kRpcServerUnavailable = static_cast<int32_t>(0x800706BA);
constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005);
constexpr int32_t kUnspecifiedFailure = static_cast<int32_t>(0x80004005);
constexpr int32_t kWbemGenericFailure = static_cast<int32_t>(0x80041001);
constexpr int32_t kObjectNotSet = 91;

// Thrown inside ReadComputer only; becomes its problem text.
struct Problem {
  std::string text;
};

[[noreturn]] void Reject(const std::string& where, const std::string& what) {
  throw Problem{where + ": " + what};
}

const Json::Object& ObjectAt(const Json& j, const std::string& where) {
  if (!j.IsObject()) Reject(where, "must be an object");
  return j.members();
}

const Json::Array& ArrayAt(const Json& j, const std::string& where) {
  if (!j.IsArray()) Reject(where, "must be an array");
  return j.items();
}

const std::string& StringAt(const Json& j, const std::string& where) {
  if (!j.IsString()) Reject(where, "must be a string");
  return j.AsString();
}

int64_t IntegerAt(const Json& j, const std::string& where, int64_t low, int64_t high) {
  if (!j.IsInteger()) Reject(where, "must be a whole number");
  const int64_t n = j.AsInteger();
  if (n < low || n > high) {
    Reject(where, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
  }
  return n;
}

uint32_t U32At(const Json& j, const std::string& where) {
  return static_cast<uint32_t>(IntegerAt(j, where, 0, std::numeric_limits<uint32_t>::max()));
}

std::string OptionalString(const Json& object, std::string_view key, const std::string& where,
                           std::string fallback = {}) {
  const Json* j = object.Find(key);
  return j ? StringAt(*j, where + "." + std::string(key)) : fallback;
}

// ---- echo ----------------------------------------------------------------------------

EchoBehaviour ReadEcho(const Json& j) {
  EchoBehaviour echo;
  if (j.IsBool()) {
    echo.answers = j.AsBool();
    return echo;
  }
  ObjectAt(j, "echo");
  if (const Json* from = j.Find("from")) {
    echo.from = ParseAddress(StringAt(*from, "echo.from"));
    if (!echo.from) Reject("echo.from", "must be a dotted IPv4 address");
  }
  if (const Json* status = j.Find("status")) {
    echo.status = U32At(*status, "echo.status");
  }
  if (const Json* handle = j.Find("handle")) {
    if (!handle->IsBool()) Reject("echo.handle", "must be true or false");
    echo.handleAvailable = handle->AsBool();
  }
  return echo;
}

// ---- WMI -----------------------------------------------------------------------------

Variant WmiValue(const Json& j, const std::string& where) {
  switch (j.type()) {
    case Json::Type::Null: return Variant::Null();
    case Json::Type::Bool: return Variant::Boolean(j.AsBool());
    case Json::Type::String: return Variant(j.AsString());
    case Json::Type::Integer: {
      const int64_t n = j.AsInteger();
      if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int32_t>(n));
      }
      return Variant(static_cast<double>(n));
    }
    case Json::Type::Fraction: return Variant(j.AsNumber());
    default: Reject(where, "must be a string, number, boolean or null");
  }
}

WmiError ReadWmiError(const Json& j, const std::string& where) {
  ObjectAt(j, where);
  WmiError e;
  e.number = kWbemGenericFailure;
  if (const Json* n = j.Find("number")) {
    e.number = static_cast<int32_t>(IntegerAt(*n, where + ".number",
                                              std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<uint32_t>::max()));
  }
  const std::string fallback =
      e.number == kObjectNotSet ? "Object variable or With block variable not set" : "Generic failure";
  e.description = OptionalString(j, "description", where, fallback);
  return e;
}

WmiConfig ReadWmi(const Json& j) {
  ObjectAt(j, "wmi");
  WmiConfig wmi;
  if (const Json* connect = j.Find("connect")) {
    if (connect->IsBool()) {
      if (!connect->AsBool()) wmi.connectError = WmiError{kRpcServerUnavailable, "The RPC server is unavailable."};
    } else if (connect->IsString()) {
      const std::string& text = connect->AsString();
      const int32_t number = text == "The RPC server is unavailable." ? kRpcServerUnavailable
                             : text == "Access is denied."            ? kAccessDenied
                                                                      : kUnspecifiedFailure;
      wmi.connectError = WmiError{number, text};
    } else if (connect->IsObject()) {
      wmi.connectError = ReadWmiError(*connect, "wmi.connect");
    } else {
      Reject("wmi.connect", "must be true, false, an error text or {\"number\", \"description\"}");
    }
  }
  if (const Json* classes = j.Find("classes")) {
    for (const auto& [name, instances] : ObjectAt(*classes, "wmi.classes")) {
      const std::string where = "wmi.classes." + name;
      WmiClass wmiClass{name, {}};
      const auto& list = ArrayAt(instances, where);
      for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        WmiInstance instance;
        for (const auto& [property, value] : ObjectAt(list[i], at)) {
          instance.properties.emplace_back(property, WmiValue(value, at + "." + property));
        }
        wmiClass.instances.push_back(std::move(instance));
      }
      wmi.classes.push_back(std::move(wmiClass));
    }
  }
  if (const Json* errors = j.Find("queryErrors")) {
    for (const auto& [name, error] : ObjectAt(*errors, "wmi.queryErrors")) {
      wmi.queryErrors.emplace_back(name, ReadWmiError(error, "wmi.queryErrors." + name));
    }
  }
  return wmi;
}

// ---- registry ------------------------------------------------------------------------

std::string LittleEndian(uint64_t n, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>(n & 0xFF);
    n >>= 8;
  }
  return out;
}

std::string HexBytes(const std::string& text, const std::string& where) {
  std::string digits;
  for (const char c : text) {
    if (c == ' ' || c == ',' || c == '\t' || c == '\n') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) Reject(where, "must be hexadecimal digits");
    digits += c;
  }
  if (digits.size() % 2 != 0) Reject(where, "must have an even number of hexadecimal digits");
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    unsigned value = 0;
    std::from_chars(digits.data() + i, digits.data() + i + 2, value, 16);
    bytes += static_cast<char>(value);
  }
  return bytes;
}

uint64_t QwordData(const Json& j, const std::string& where) {
  if (j.IsInteger()) return static_cast<uint64_t>(j.AsInteger());
  if (j.IsString()) {
    const std::string& s = j.AsString();
    uint64_t n = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec == std::errc() && ptr == s.data() + s.size() && !s.empty()) return n;
  }
  Reject(where, "must be a whole number (or its decimal text)");
}

RegistryValue ReadRegistryValue(const std::string& name, const Json& j, const std::string& where) {
  RegistryValue value{name, kRegSz, {}};
  if (j.IsString()) {
    value.bytes = j.AsString() + '\0';
    return value;
  }
  if (j.IsInteger()) {
    value.type = kRegDword;
    value.bytes = LittleEndian(static_cast<uint64_t>(IntegerAt(
                                   j, where, std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<uint32_t>::max())),
                               4);
    return value;
  }
  if (!j.IsObject()) Reject(where, "must be a string, a whole number or {\"type\", \"data\"}");
  const Json* typeJson = j.Find("type");
  if (typeJson == nullptr) Reject(where, "needs a \"type\"");
  const std::string& type = StringAt(*typeJson, where + ".type");
  const Json* data = j.Find("data");
  const std::string dataWhere = where + ".data";
  if (data == nullptr && type != "REG_NONE") Reject(where, "needs \"data\"");
  if (type == "REG_SZ" || type == "REG_EXPAND_SZ") {
    value.type = type == "REG_SZ" ? kRegSz : kRegExpandSz;
    value.bytes = StringAt(*data, dataWhere) + '\0';
  } else if (type == "REG_MULTI_SZ") {
    value.type = kRegMultiSz;
    const auto& strings = ArrayAt(*data, dataWhere);
    for (std::size_t i = 0; i < strings.size(); ++i) {
      value.bytes += StringAt(strings[i], dataWhere + "[" + std::to_string(i) + "]") + '\0';
    }
    value.bytes += '\0';
  } else if (type == "REG_DWORD") {
    value.type = kRegDword;
    value.bytes = LittleEndian(static_cast<uint64_t>(IntegerAt(
                                   *data, dataWhere, std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<uint32_t>::max())),
                               4);
  } else if (type == "REG_QWORD") {
    value.type = kRegQword;
    value.bytes = LittleEndian(QwordData(*data, dataWhere), 8);
  } else if (type == "REG_BINARY" || type == "REG_NONE") {
    value.type = type == "REG_BINARY" ? kRegBinary : kRegNone;
    if (data != nullptr) value.bytes = HexBytes(StringAt(*data, dataWhere), dataWhere);
  } else {
    Reject(where + ".type",
           "must be REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE");
  }
  return value;
}

std::string CanonicalRoot(const std::string& root) {
  const std::string folded = FoldCase(root);
  if (folded == "hkey_local_machine" || folded == "hklm") return "HKEY_LOCAL_MACHINE";
  if (folded == "hkey_users" || folded == "hku") return "HKEY_USERS";
  if (folded == "hkey_current_user" || folded == "hkcu") return "HKEY_CURRENT_USER";
  if (folded == "hkey_classes_root" || folded == "hkcr") return "HKEY_CLASSES_ROOT";
  if (folded == "hkey_current_config" || folded == "hkcc") return "HKEY_CURRENT_CONFIG";
  return {};
}

RegistryNode& Descend(RegistryNode& parent, const std::string& name) {
  if (RegistryNode* existing = parent.FindSubkey(name)) return *existing;
  parent.subkeys.push_back(std::make_unique<RegistryNode>());
  parent.subkeys.back()->name = name;
  return *parent.subkeys.back();
}

RegistryConfig ReadRegistry(const Json& j) {
  ObjectAt(j, "registry");
  RegistryConfig registry;
  if (const Json* access = j.Find("access")) {
    const std::string& text = StringAt(*access, "registry.access");
    if (text == "full") {
      registry.access = RegistryAccess::Full;
    } else if (text == "read") {
      registry.access = RegistryAccess::Read;
    } else if (text == "none") {
      registry.access = RegistryAccess::None;
    } else {
      Reject("registry.access", "must be \"full\", \"read\" or \"none\"");
    }
  }
  if (const Json* keys = j.Find("keys")) {
    for (const auto& [path, values] : ObjectAt(*keys, "registry.keys")) {
      const std::string where = "registry.keys." + path;
      std::vector<std::string> parts;
      std::size_t start = 0;
      while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('\\', start), path.size());
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
      }
      const std::string root = parts.empty() ? std::string() : CanonicalRoot(parts[0]);
      if (root.empty()) Reject(where, "must start with a root key such as HKEY_LOCAL_MACHINE");
      RegistryNode* node = &Descend(registry.roots, root);
      for (std::size_t i = 1; i < parts.size(); ++i) node = &Descend(*node, parts[i]);
      for (const auto& [name, value] : ObjectAt(values, where)) {
        RegistryValue read = ReadRegistryValue(name, value, where + "." + name);
        bool replaced = false;
        for (auto& existing : node->values) {
          if (FoldCase(existing.name) == FoldCase(name)) {
            existing = read;
            replaced = true;
          }
        }
        if (!replaced) node->values.push_back(std::move(read));
      }
    }
  }
  return registry;
}

// ---- services, logons, shares, latency -------------------------------------------------

ServicesConfig ReadServices(const Json& j) {
  ObjectAt(j, "services");
  ServicesConfig services;
  if (const Json* manager = j.Find("manager")) {
    const std::string& text = StringAt(*manager, "services.manager");
    if (text == "ok") {
      services.manager = ManagerBehaviour::Ok;
    } else if (text == "refused") {
      services.manager = ManagerBehaviour::Refused;
    } else if (text == "enumRefused") {
      services.manager = ManagerBehaviour::EnumRefused;
    } else if (text == "grows") {
      services.manager = ManagerBehaviour::Grows;
    } else {
      Reject("services.manager", "must be \"ok\", \"refused\", \"enumRefused\" or \"grows\"");
    }
  }
  if (const Json* list = j.Find("list")) {
    const auto& items = ArrayAt(*list, "services.list");
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string where = "services.list[" + std::to_string(i) + "]";
      ObjectAt(items[i], where);
      LabService service;
      service.name = OptionalString(items[i], "name", where);
      service.display = OptionalString(items[i], "display", where, service.name);
      const std::string type = OptionalString(items[i], "type", where, "own");
      if (type == "own") {
        service.type = 0x10;
      } else if (type == "share") {
        service.type = 0x20;
      } else if (type == "driver") {
        service.type = 0x01;
      } else {
        Reject(where + ".type", "must be \"own\", \"share\" or \"driver\"");
      }
      static const std::pair<const char*, uint32_t> kStates[] = {
          {"stopped", 1}, {"startPending", 2}, {"stopPending", 3}, {"running", 4},
          {"continuePending", 5}, {"pausePending", 6}, {"paused", 7}};
      const std::string state = OptionalString(items[i], "state", where, "running");
      service.state = 0;
      for (const auto& [text, code] : kStates) {
        if (state == text) service.state = code;
      }
      if (service.state == 0) Reject(where + ".state", "must be \"running\", \"stopped\" or \"paused\"");
      services.list.push_back(std::move(service));
    }
  }
  return services;
}

std::vector<WkstaUserInfo1> ReadLogonList(const Json& j, const std::string& where) {
  std::vector<WkstaUserInfo1> list;
  const auto& items = ArrayAt(j, where);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    ObjectAt(items[i], at);
    list.push_back(WkstaUserInfo1{OptionalString(items[i], "user", at),
                                  OptionalString(items[i], "domain", at),
                                  OptionalString(items[i], "otherDomains", at),
                                  OptionalString(items[i], "logonServer", at)});
  }
  return list;
}

LogonsConfig ReadLogons(const Json& j) {
  ObjectAt(j, "logons");
  LogonsConfig logons;
  if (const Json* status = j.Find("status")) logons.status = U32At(*status, "logons.status");
  if (const Json* entries = j.Find("entries")) logons.entries = ReadLogonList(*entries, "logons.entries");
  if (const Json* perCall = j.Find("perCall")) {
    logons.perCall = static_cast<uint32_t>(IntegerAt(*perCall, "logons.perCall", 1, 1 << 20));
  }
  if (const Json* added = j.Find("addedAfterFirstCall")) {
    logons.addedAfterFirstCall = ReadLogonList(*added, "logons.addedAfterFirstCall");
  }
  return logons;
}

std::map<std::string, ShareSpace> ReadShares(const Json& j) {
  std::map<std::string, ShareSpace> shares;
  for (const auto& [name, space] : ObjectAt(j, "shares")) {
    const std::string where = "shares." + name;
    ObjectAt(space, where);
    ShareSpace s;
    const int64_t max = std::numeric_limits<int64_t>::max();
    if (const Json* total = space.Find("total")) s.total = static_cast<uint64_t>(IntegerAt(*total, where + ".total", 0, max));
    if (const Json* free = space.Find("free")) s.free = static_cast<uint64_t>(IntegerAt(*free, where + ".free", 0, max));
    s.available = s.free;
    if (const Json* available = space.Find("available")) {
      s.available = static_cast<uint64_t>(IntegerAt(*available, where + ".available", 0, max));
    }
    shares[FoldCase(name)] = s;
  }
  return shares;
}

Latency ReadLatency(const Json& j) {
  ObjectAt(j, "latencyMs");
  Latency latency;
  const std::pair<const char*, uint32_t*> kinds[] = {
      {"echo", &latency.echo},         {"wmiConnect", &latency.wmiConnect},
      {"wmiQuery", &latency.wmiQuery}, {"registry", &latency.registry},
      {"services", &latency.services}, {"logons", &latency.logons},
      {"shares", &latency.shares}};
  for (const auto& [key, field] : kinds) {
    if (const Json* ms = j.Find(key)) {
      *field = static_cast<uint32_t>(IntegerAt(*ms, std::string("latencyMs.") + key, 0, 600000));
    }
  }
  return latency;
}

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

RegistryNode* RegistryNode::FindSubkey(std::string_view wanted) const {
  const std::string folded = FoldCase(wanted);
  for (const auto& subkey : subkeys) {
    if (FoldCase(subkey->name) == folded) return subkey.get();
  }
  return nullptr;
}

const RegistryValue* RegistryNode::FindValue(std::string_view wanted) const {
  const std::string folded = FoldCase(wanted);
  for (const auto& value : values) {
    if (FoldCase(value.name) == folded) return &value;
  }
  return nullptr;
}

std::optional<std::string> LabComputer::WmiComputerName() const {
  if (!wmi) return std::nullopt;
  for (const auto& wmiClass : wmi->classes) {
    if (FoldCase(wmiClass.name) != "win32_computersystem" || wmiClass.instances.empty()) continue;
    for (const auto& [name, value] : wmiClass.instances.front().properties) {
      if (FoldCase(name) == "name" && value.kind() == Variant::Kind::Text) return value.text();
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::unique_ptr<LabComputer> ReadComputer(const std::string& fileName, const Json& file,
                                          std::string& problem) {
  try {
    if (!file.IsObject()) Reject("the file", "must hold one JSON object");
    auto computer = std::make_unique<LabComputer>();
    computer->fileName = fileName;
    computer->address = DerivedAddress(fileName);
    if (const Json* aliases = file.Find("aliases")) {
      const auto& items = ArrayAt(*aliases, "aliases");
      for (std::size_t i = 0; i < items.size(); ++i) {
        computer->aliases.push_back(StringAt(items[i], "aliases[" + std::to_string(i) + "]"));
      }
    }
    if (const Json* address = file.Find("address")) {
      const auto parsed = ParseAddress(StringAt(*address, "address"));
      if (!parsed) Reject("address", "must be a dotted IPv4 address");
      computer->address = *parsed;
    }
    if (const Json* echo = file.Find("echo")) computer->echo = ReadEcho(*echo);
    if (const Json* wmi = file.Find("wmi")) computer->wmi = ReadWmi(*wmi);
    if (const Json* registry = file.Find("registry")) computer->registry = ReadRegistry(*registry);
    if (const Json* services = file.Find("services")) computer->services = ReadServices(*services);
    if (const Json* logons = file.Find("logons")) computer->logons = ReadLogons(*logons);
    if (const Json* shares = file.Find("shares")) computer->shares = ReadShares(*shares);
    if (const Json* latency = file.Find("latencyMs")) computer->latency = ReadLatency(*latency);
    return computer;
  } catch (const Problem& p) {
    problem = p.text;
    return nullptr;
  }
}

}  // namespace korvane::lab

// Reading a computer file into the model: every known key checked, every problem named
// by the path of its key.
#include "lab/model/lab_computer.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "lab/model/lab_keys.h"

namespace korvane::lab {

namespace {

// HRESULTs WMI reports for a refused connection.
constexpr int32_t kRpcServerUnavailable = static_cast<int32_t>(0x800706BA);
constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005);
constexpr int32_t kUnspecifiedFailure = static_cast<int32_t>(0x80004005);
constexpr int32_t kWbemGenericFailure = static_cast<int32_t>(0x80041001);
constexpr int32_t kObjectNotSet = 91;
constexpr const char* kRpcServerUnavailableText = "The RPC server is unavailable.";

// Thrown inside ReadComputer only; becomes its problem text.
struct Problem {
  std::string text;
};

[[noreturn]] void Reject(const std::string& where, const std::string& what) {
  throw Problem{where + ": " + what};
}

using Members = LabJson::object_t;

// A member by exact key; nullptr when absent. The objects searched this way have a
// handful of members; big ones (registry keys, classes) are only ever walked in order.
const LabJson* Member(const LabJson& object, std::string_view key) {
  for (const auto& [name, value] : object.get_ref<const Members&>()) {
    if (name == key) return &value;
  }
  return nullptr;
}

std::string At(const std::string& where, std::string_view key) {
  return where.empty() ? std::string(key) : where + "." + std::string(key);
}

const Members& ObjectAt(const LabJson& j, const std::string& where) {
  if (!j.is_object()) Reject(where, "must be an object");
  return j.get_ref<const Members&>();
}

const LabJson::array_t& ArrayAt(const LabJson& j, const std::string& where) {
  if (!j.is_array()) Reject(where, "must be an array");
  return j.get_ref<const LabJson::array_t&>();
}

const std::string& StringAt(const LabJson& j, const std::string& where) {
  if (!j.is_string()) Reject(where, "must be a string");
  return j.get_ref<const std::string&>();
}

int64_t IntegerAt(const LabJson& j, const std::string& where, int64_t low, int64_t high) {
  if (!j.is_number_integer()) Reject(where, "must be a whole number");
  const bool tooBig = j.is_number_unsigned() &&
                      j.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  const int64_t n = tooBig ? std::numeric_limits<int64_t>::max() : j.get<int64_t>();
  if (tooBig || n < low || n > high) {
    Reject(where, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
  }
  return n;
}

uint32_t U32At(const LabJson& j, const std::string& where) {
  return static_cast<uint32_t>(IntegerAt(j, where, 0, std::numeric_limits<uint32_t>::max()));
}

std::string OptionalString(const LabJson& object, std::string_view key, const std::string& where,
                           std::string fallback = {}) {
  const LabJson* j = Member(object, key);
  return j ? StringAt(*j, At(where, key)) : fallback;
}

// ---- echo ----------------------------------------------------------------------------

EchoBehaviour ReadEcho(const LabJson& j) {
  EchoBehaviour echo;
  const std::string where(keys::kEcho);
  if (j.is_boolean()) {
    echo.answers = j.get<bool>();
    return echo;
  }
  ObjectAt(j, where);
  if (const LabJson* from = Member(j, keys::kEchoFrom)) {
    echo.from = ParseAddress(StringAt(*from, At(where, keys::kEchoFrom)));
    if (!echo.from) Reject(At(where, keys::kEchoFrom), "must be a dotted IPv4 address");
  }
  if (const LabJson* status = Member(j, keys::kEchoStatus)) {
    echo.status = U32At(*status, At(where, keys::kEchoStatus));
  }
  if (const LabJson* handle = Member(j, keys::kEchoHandle)) {
    if (!handle->is_boolean()) Reject(At(where, keys::kEchoHandle), "must be true or false");
    echo.handleAvailable = handle->get<bool>();
  }
  return echo;
}

// ---- WMI -----------------------------------------------------------------------------

Variant WmiValue(const LabJson& j, const std::string& where) {
  if (j.is_null()) return Variant::Null();
  if (j.is_boolean()) return Variant::Boolean(j.get<bool>());
  if (j.is_string()) return Variant(j.get<std::string>());
  if (j.is_number_integer()) {
    if (j.is_number_unsigned() ? j.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
                               : (j.get<int64_t>() >= std::numeric_limits<int32_t>::min() &&
                                  j.get<int64_t>() <= std::numeric_limits<int32_t>::max())) {
      return Variant(static_cast<int32_t>(j.get<int64_t>()));
    }
    return Variant(j.get<double>());
  }
  if (j.is_number_float()) return Variant(j.get<double>());
  Reject(where, "must be a string, number, boolean or null");
}

WmiError ReadWmiError(const LabJson& j, const std::string& where) {
  ObjectAt(j, where);
  WmiError e;
  e.number = kWbemGenericFailure;
  if (const LabJson* n = Member(j, keys::kErrorNumber)) {
    e.number = static_cast<int32_t>(IntegerAt(*n, At(where, keys::kErrorNumber),
                                              std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<uint32_t>::max()));
  }
  const std::string fallback =
      e.number == kObjectNotSet ? "Object variable or With block variable not set" : "Generic failure";
  e.description = OptionalString(j, keys::kErrorDescription, where, fallback);
  return e;
}

WmiConfig ReadWmi(const LabJson& j) {
  const std::string where(keys::kWmi);
  ObjectAt(j, where);
  WmiConfig wmi;
  if (const LabJson* connect = Member(j, keys::kWmiConnect)) {
    if (connect->is_boolean()) {
      if (!connect->get<bool>()) wmi.connectError = WmiError{kRpcServerUnavailable, kRpcServerUnavailableText};
    } else if (connect->is_string()) {
      wmi.connectError = ConnectRefusal(connect->get_ref<const std::string&>());
    } else if (connect->is_object()) {
      wmi.connectError = ReadWmiError(*connect, At(where, keys::kWmiConnect));
    } else {
      Reject(At(where, keys::kWmiConnect), "must be true, false, an error text or {\"number\", \"description\"}");
    }
  }
  if (const LabJson* classes = Member(j, keys::kWmiClasses)) {
    const std::string classesAt = At(where, keys::kWmiClasses);
    for (const auto& [name, instances] : ObjectAt(*classes, classesAt)) {
      const std::string classAt = At(classesAt, name);
      WmiClass wmiClass{name, {}};
      const auto& list = ArrayAt(instances, classAt);
      for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = classAt + "[" + std::to_string(i) + "]";
        WmiInstance instance;
        for (const auto& [property, value] : ObjectAt(list[i], at)) {
          instance.properties.emplace_back(property, WmiValue(value, At(at, property)));
        }
        wmiClass.instances.push_back(std::move(instance));
      }
      wmi.classes.push_back(std::move(wmiClass));
    }
  }
  if (const LabJson* errors = Member(j, keys::kWmiQueryErrors)) {
    const std::string errorsAt = At(where, keys::kWmiQueryErrors);
    for (const auto& [name, error] : ObjectAt(*errors, errorsAt)) {
      wmi.queryErrors.emplace_back(name, ReadWmiError(error, At(errorsAt, name)));
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

uint64_t QwordData(const LabJson& j, const std::string& where) {
  if (j.is_number_unsigned()) return j.get<uint64_t>();
  if (j.is_number_integer()) return static_cast<uint64_t>(j.get<int64_t>());
  if (j.is_string()) {
    const std::string& s = j.get_ref<const std::string&>();
    uint64_t n = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec == std::errc() && ptr == s.data() + s.size() && !s.empty()) return n;
  }
  Reject(where, "must be a whole number (or its decimal text)");
}

std::string DwordBytes(const LabJson& j, const std::string& where) {
  return LittleEndian(static_cast<uint64_t>(IntegerAt(j, where, std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<uint32_t>::max())),
                      4);
}

RegistryValue ReadRegistryValue(const std::string& name, const LabJson& j, const std::string& where) {
  RegistryValue value{name, kRegSz, {}};
  if (j.is_string()) {
    value.bytes = j.get<std::string>() + '\0';
    return value;
  }
  if (j.is_number_integer()) {
    value.type = kRegDword;
    value.bytes = DwordBytes(j, where);
    return value;
  }
  if (!j.is_object()) Reject(where, "must be a string, a whole number or {\"type\", \"data\"}");
  const LabJson* typeJson = Member(j, keys::kValueType);
  if (typeJson == nullptr) Reject(where, "needs a \"type\"");
  const std::string& type = StringAt(*typeJson, At(where, keys::kValueType));
  const LabJson* data = Member(j, keys::kValueData);
  const std::string dataWhere = At(where, keys::kValueData);
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
    value.bytes = DwordBytes(*data, dataWhere);
  } else if (type == "REG_QWORD") {
    value.type = kRegQword;
    value.bytes = LittleEndian(QwordData(*data, dataWhere), 8);
  } else if (type == "REG_BINARY" || type == "REG_NONE") {
    value.type = type == "REG_BINARY" ? kRegBinary : kRegNone;
    if (data != nullptr) value.bytes = HexBytes(StringAt(*data, dataWhere), dataWhere);
  } else {
    Reject(At(where, keys::kValueType),
           "must be REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE");
  }
  return value;
}

RegistryConfig ReadRegistry(const LabJson& j) {
  const std::string where(keys::kRegistry);
  ObjectAt(j, where);
  RegistryConfig registry;
  if (const LabJson* access = Member(j, keys::kRegistryAccess)) {
    const std::string& text = StringAt(*access, At(where, keys::kRegistryAccess));
    if (text == keys::kAccessFull) {
      registry.access = RegistryAccess::Full;
    } else if (text == keys::kAccessRead) {
      registry.access = RegistryAccess::Read;
    } else if (text == keys::kAccessNone) {
      registry.access = RegistryAccess::None;
    } else {
      Reject(At(where, keys::kRegistryAccess), "must be \"full\", \"read\" or \"none\"");
    }
  }
  if (const LabJson* keyList = Member(j, keys::kRegistryKeys)) {
    const std::string keysAt = At(where, keys::kRegistryKeys);
    for (const auto& [path, values] : ObjectAt(*keyList, keysAt)) {
      const std::string at = At(keysAt, path);
      RegistryNode* node = nullptr;
      try {
        node = &registry.Key(path);
      } catch (const std::invalid_argument&) {
        Reject(at, "must start with a root key such as HKEY_LOCAL_MACHINE");
      }
      for (const auto& [name, value] : ObjectAt(values, at)) {
        node->SetValue(ReadRegistryValue(name, value, At(at, name)));
      }
    }
  }
  return registry;
}

// ---- services, logons, shares, latency -------------------------------------------------

const std::pair<std::string_view, uint32_t> kServiceTypes[] = {
    {keys::kTypeOwn, kServiceOwnProcess}, {keys::kTypeShare, kServiceShareProcess},
    {keys::kTypeDriver, kServiceDriver}};

ServicesConfig ReadServices(const LabJson& j) {
  const std::string where(keys::kServices);
  ObjectAt(j, where);
  ServicesConfig services;
  if (const LabJson* manager = Member(j, keys::kManager)) {
    const std::string& text = StringAt(*manager, At(where, keys::kManager));
    if (text == keys::kManagerOk) {
      services.manager = ManagerBehaviour::Ok;
    } else if (text == keys::kManagerRefused) {
      services.manager = ManagerBehaviour::Refused;
    } else if (text == keys::kManagerEnumRefused) {
      services.manager = ManagerBehaviour::EnumRefused;
    } else if (text == keys::kManagerGrows) {
      services.manager = ManagerBehaviour::Grows;
    } else {
      Reject(At(where, keys::kManager), "must be \"ok\", \"refused\", \"enumRefused\" or \"grows\"");
    }
  }
  if (const LabJson* list = Member(j, keys::kServiceList)) {
    const auto& items = ArrayAt(*list, At(where, keys::kServiceList));
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string at = At(where, keys::kServiceList) + "[" + std::to_string(i) + "]";
      ObjectAt(items[i], at);
      LabService service;
      service.name = OptionalString(items[i], keys::kServiceName, at);
      service.display = OptionalString(items[i], keys::kServiceDisplay, at, service.name);
      const std::string type = OptionalString(items[i], keys::kServiceType, at, std::string(keys::kTypeOwn));
      service.type = 0;
      for (const auto& [text, code] : kServiceTypes) {
        if (type == text) service.type = code;
      }
      if (service.type == 0) Reject(At(at, keys::kServiceType), "must be \"own\", \"share\" or \"driver\"");
      const std::string state = OptionalString(items[i], keys::kServiceState, at, "running");
      service.state = ServiceStateCode(state);
      if (service.state == 0) Reject(At(at, keys::kServiceState), "must be \"running\", \"stopped\" or \"paused\"");
      services.list.push_back(std::move(service));
    }
  }
  return services;
}

std::vector<WkstaUserInfo1> ReadLogonList(const LabJson& j, const std::string& where) {
  std::vector<WkstaUserInfo1> list;
  const auto& items = ArrayAt(j, where);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    ObjectAt(items[i], at);
    list.push_back(WkstaUserInfo1{OptionalString(items[i], keys::kLogonUser, at),
                                  OptionalString(items[i], keys::kLogonDomain, at),
                                  OptionalString(items[i], keys::kLogonOtherDomains, at),
                                  OptionalString(items[i], keys::kLogonServer, at)});
  }
  return list;
}

LogonsConfig ReadLogons(const LabJson& j) {
  const std::string where(keys::kLogons);
  ObjectAt(j, where);
  LogonsConfig logons;
  if (const LabJson* status = Member(j, keys::kLogonStatus)) {
    logons.status = U32At(*status, At(where, keys::kLogonStatus));
  }
  if (const LabJson* entries = Member(j, keys::kLogonEntries)) {
    logons.entries = ReadLogonList(*entries, At(where, keys::kLogonEntries));
  }
  if (const LabJson* perCall = Member(j, keys::kLogonPerCall)) {
    logons.perCall = static_cast<uint32_t>(IntegerAt(*perCall, At(where, keys::kLogonPerCall), 1, 1 << 20));
  }
  if (const LabJson* added = Member(j, keys::kLogonAddedAfterFirstCall)) {
    logons.addedAfterFirstCall = ReadLogonList(*added, At(where, keys::kLogonAddedAfterFirstCall));
  }
  return logons;
}

std::map<std::string, ShareSpace> ReadShares(const LabJson& j) {
  std::map<std::string, ShareSpace> shares;
  for (const auto& [name, space] : ObjectAt(j, std::string(keys::kShares))) {
    const std::string where = At(std::string(keys::kShares), name);
    ObjectAt(space, where);
    ShareSpace s;
    s.name = name;
    const int64_t max = std::numeric_limits<int64_t>::max();
    // A plain reference: clang before 16 cannot capture a structured binding.
    const LabJson& members = space;
    auto count = [&](std::string_view key, uint64_t fallback) {
      const LabJson* n = Member(members, key);
      return n ? static_cast<uint64_t>(IntegerAt(*n, At(where, key), 0, max)) : fallback;
    };
    s.total = count(keys::kShareTotal, 0);
    s.free = count(keys::kShareFree, 0);
    s.available = count(keys::kShareAvailable, s.free);
    shares[FoldCase(name)] = s;
  }
  return shares;
}

Latency ReadLatency(const LabJson& j) {
  const std::string where(keys::kLatency);
  ObjectAt(j, where);
  Latency latency;
  for (const auto& [key, field] : LatencyFields(latency)) {
    if (const LabJson* ms = Member(j, key)) {
      *field = static_cast<uint32_t>(IntegerAt(*ms, At(where, key), 0, 600000));
    }
  }
  return latency;
}

}  // namespace

WmiError ConnectRefusal(const std::string& text) {
  const int32_t number = text == kRpcServerUnavailableText ? kRpcServerUnavailable
                         : text == "Access is denied."     ? kAccessDenied
                                                           : kUnspecifiedFailure;
  return WmiError{number, text};
}

std::unique_ptr<LabComputer> ReadComputer(const std::string& fileName, const LabJson& file,
                                          std::string& problem) {
  try {
    if (!file.is_object()) Reject("the file", "must hold one JSON object");
    auto computer = std::make_unique<LabComputer>();
    computer->fileName = fileName;
    computer->address = DerivedAddress(fileName);
    for (const auto& [key, value] : file.get_ref<const Members&>()) {
      if (key == keys::kAliases) {
        const auto& items = ArrayAt(value, key);
        for (std::size_t i = 0; i < items.size(); ++i) {
          computer->aliases.push_back(StringAt(items[i], key + "[" + std::to_string(i) + "]"));
        }
      } else if (key == keys::kAddress) {
        const auto parsed = ParseAddress(StringAt(value, key));
        if (!parsed) Reject(key, "must be a dotted IPv4 address");
        computer->address = *parsed;
      } else if (key == keys::kEcho) {
        computer->echo = ReadEcho(value);
      } else if (key == keys::kWmi) {
        computer->wmi = ReadWmi(value);
      } else if (key == keys::kRegistry) {
        computer->registry = ReadRegistry(value);
      } else if (key == keys::kServices) {
        computer->services = ReadServices(value);
      } else if (key == keys::kLogons) {
        computer->logons = ReadLogons(value);
      } else if (key == keys::kShares) {
        computer->shares = ReadShares(value);
      } else if (key == keys::kLatency) {
        computer->latency = ReadLatency(value);
      } else {
        computer->otherKeys[key] = value;
      }
    }
    return computer;
  } catch (const Problem& p) {
    problem = p.text;
    return nullptr;
  }
}

std::unique_ptr<LabComputer> ReadComputerFile(const std::string& fileName, std::string_view text,
                                              std::string& problem) {
  JsonError error;
  std::optional<LabJson> json = ParseLabJson(text, &error);
  if (!json) {
    problem = error.ToString();
    return nullptr;
  }
  return ReadComputer(fileName, *json, problem);
}

}  // namespace korvane::lab

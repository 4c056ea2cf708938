// Writing the model as a computer file. Every value is written in the form that reads
// back as the same model: registry data by type, WMI numbers as whole numbers when they
// are Longs and as fractions otherwise.
#include <limits>

#include "lab/model/lab_computer.h"
#include "lab/model/lab_keys.h"

namespace korvane::lab {

namespace {

constexpr const char* kHex = "0123456789ABCDEF";

std::string Key(std::string_view key) { return std::string(key); }

// Appends a member known to be new, without the search ordered_json's insertion makes:
// a registry of tens of thousands of keys is written in linear time.
void Append(LabJson& object, std::string key, LabJson value) {
  object.get_ref<LabJson::object_t&>().LabJson::object_t::Container::emplace_back(std::move(key),
                                                                                 std::move(value));
}

uint64_t LittleEndianNumber(const std::string& bytes) {
  uint64_t n = 0;
  for (std::size_t i = bytes.size(); i > 0; --i) n = (n << 8) | static_cast<unsigned char>(bytes[i - 1]);
  return n;
}

LabJson Typed(const char* type, LabJson data) {
  LabJson value = LabJson::object();
  value[Key(keys::kValueType)] = type;
  value[Key(keys::kValueData)] = std::move(data);
  return value;
}

LabJson RegistryData(const RegistryValue& v) {
  const std::string text = v.bytes.empty() ? std::string() : v.bytes.substr(0, v.bytes.size() - 1);
  switch (v.type) {
    case kRegSz: return text;
    case kRegExpandSz: return Typed("REG_EXPAND_SZ", text);
    case kRegDword: return LittleEndianNumber(v.bytes.substr(0, 4));
    case kRegQword: {
      const uint64_t n = LittleEndianNumber(v.bytes.substr(0, 8));
      return n > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                 ? Typed("REG_QWORD", std::to_string(n))
                 : Typed("REG_QWORD", n);
    }
    case kRegMultiSz: {
      LabJson strings = LabJson::array();
      // "a\0b\0\0": a NUL after each string and one more at the end.
      std::size_t start = 0;
      while (start + 1 < v.bytes.size()) {
        const std::size_t end = v.bytes.find('\0', start);
        strings.push_back(v.bytes.substr(start, end - start));
        start = end + 1;
      }
      return Typed("REG_MULTI_SZ", std::move(strings));
    }
    default: {
      std::string hex;
      for (const char c : v.bytes) {
        hex += kHex[static_cast<unsigned char>(c) >> 4];
        hex += kHex[static_cast<unsigned char>(c) & 0xF];
      }
      if (v.type == kRegNone && hex.empty()) {
        LabJson none = LabJson::object();
        none[Key(keys::kValueType)] = "REG_NONE";
        return none;
      }
      return Typed(v.type == kRegNone ? "REG_NONE" : "REG_BINARY", hex);
    }
  }
}

// Keys in the order their names first appear; a key is written when it holds values or
// has no subkeys (otherwise its subkeys make it exist).
void WriteKeys(const RegistryNode& node, const std::string& path, LabJson& out) {
  if (!path.empty() && (!node.values().empty() || node.subkeys().empty())) {
    LabJson values = LabJson::object();
    for (const RegistryValue& v : node.values()) values[v.name] = RegistryData(v);
    Append(out, path, std::move(values));
  }
  for (const auto& subkey : node.subkeys()) {
    WriteKeys(*subkey, path.empty() ? subkey->name : path + "\\" + subkey->name, out);
  }
}

LabJson WmiData(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Text: return v.text();
    case Variant::Kind::Long: return v.long_value();
    case Variant::Kind::Double: return v.double_value();
    case Variant::Kind::Bool: return v.bool_value();
    default: return nullptr;
  }
}

LabJson ErrorJson(const WmiError& e) {
  LabJson error = LabJson::object();
  error[Key(keys::kErrorNumber)] = e.number;
  error[Key(keys::kErrorDescription)] = e.description;
  return error;
}

LabJson WmiJson(const WmiConfig& wmi) {
  LabJson out = LabJson::object();
  out[Key(keys::kWmiConnect)] = wmi.connectError ? ErrorJson(*wmi.connectError) : LabJson(true);
  LabJson classes = LabJson::object();
  for (const WmiClass& c : wmi.classes) {
    LabJson instances = LabJson::array();
    for (const WmiInstance& instance : c.instances) {
      LabJson properties = LabJson::object();
      for (const auto& [name, value] : instance.properties) properties[name] = WmiData(value);
      instances.push_back(std::move(properties));
    }
    classes[c.name] = std::move(instances);
  }
  out[Key(keys::kWmiClasses)] = std::move(classes);
  if (!wmi.queryErrors.empty()) {
    LabJson errors = LabJson::object();
    for (const auto& [name, error] : wmi.queryErrors) errors[name] = ErrorJson(error);
    out[Key(keys::kWmiQueryErrors)] = std::move(errors);
  }
  return out;
}

std::string_view AccessWord(RegistryAccess access) {
  switch (access) {
    case RegistryAccess::Read: return keys::kAccessRead;
    case RegistryAccess::None: return keys::kAccessNone;
    default: return keys::kAccessFull;
  }
}

std::string_view ManagerWord(ManagerBehaviour manager) {
  switch (manager) {
    case ManagerBehaviour::Refused: return keys::kManagerRefused;
    case ManagerBehaviour::EnumRefused: return keys::kManagerEnumRefused;
    case ManagerBehaviour::Grows: return keys::kManagerGrows;
    default: return keys::kManagerOk;
  }
}

std::string_view TypeWord(uint32_t type) {
  if (type == kServiceShareProcess) return keys::kTypeShare;
  if (type == kServiceDriver) return keys::kTypeDriver;
  return keys::kTypeOwn;
}

LabJson LogonList(const std::vector<WkstaUserInfo1>& list) {
  LabJson out = LabJson::array();
  for (const WkstaUserInfo1& logon : list) {
    LabJson entry = LabJson::object();
    entry[Key(keys::kLogonUser)] = logon.userName;
    entry[Key(keys::kLogonDomain)] = logon.logonDomain;
    if (!logon.otherDomains.empty()) entry[Key(keys::kLogonOtherDomains)] = logon.otherDomains;
    if (!logon.logonServer.empty()) entry[Key(keys::kLogonServer)] = logon.logonServer;
    out.push_back(std::move(entry));
  }
  return out;
}

}  // namespace

LabJson WriteComputer(const LabComputer& c) {
  LabJson file = LabJson::object();
  if (!c.aliases.empty()) file[Key(keys::kAliases)] = c.aliases;
  file[Key(keys::kAddress)] = AddressText(c.address);
  const EchoBehaviour plain;
  if (c.echo.handleAvailable == plain.handleAvailable && c.echo.status == 0 && !c.echo.from) {
    file[Key(keys::kEcho)] = c.echo.answers;
  } else {
    LabJson echo = LabJson::object();
    if (c.echo.from) echo[Key(keys::kEchoFrom)] = AddressText(*c.echo.from);
    if (c.echo.status != 0) echo[Key(keys::kEchoStatus)] = c.echo.status;
    if (!c.echo.handleAvailable) echo[Key(keys::kEchoHandle)] = false;
    file[Key(keys::kEcho)] = std::move(echo);
  }
  if (c.wmi) file[Key(keys::kWmi)] = WmiJson(*c.wmi);
  if (c.registry) {
    LabJson registry = LabJson::object();
    registry[Key(keys::kRegistryAccess)] = AccessWord(c.registry->access);
    LabJson keyList = LabJson::object();
    WriteKeys(c.registry->roots, "", keyList);
    registry[Key(keys::kRegistryKeys)] = std::move(keyList);
    file[Key(keys::kRegistry)] = std::move(registry);
  }
  if (c.services) {
    LabJson services = LabJson::object();
    services[Key(keys::kManager)] = ManagerWord(c.services->manager);
    LabJson list = LabJson::array();
    for (const LabService& s : c.services->list) {
      LabJson item = LabJson::object();
      item[Key(keys::kServiceName)] = s.name;
      item[Key(keys::kServiceDisplay)] = s.display;
      item[Key(keys::kServiceType)] = TypeWord(s.type);
      item[Key(keys::kServiceState)] = ServiceStateWord(s.state);
      list.push_back(std::move(item));
    }
    services[Key(keys::kServiceList)] = std::move(list);
    file[Key(keys::kServices)] = std::move(services);
  }
  if (c.logons) {
    LabJson logons = LabJson::object();
    logons[Key(keys::kLogonStatus)] = c.logons->status;
    logons[Key(keys::kLogonEntries)] = LogonList(c.logons->entries);
    logons[Key(keys::kLogonPerCall)] = c.logons->perCall;
    if (!c.logons->addedAfterFirstCall.empty()) {
      logons[Key(keys::kLogonAddedAfterFirstCall)] = LogonList(c.logons->addedAfterFirstCall);
    }
    file[Key(keys::kLogons)] = std::move(logons);
  }
  if (!c.shares.empty()) {
    LabJson shares = LabJson::object();
    for (const auto& [folded, s] : c.shares) {
      LabJson share = LabJson::object();
      share[Key(keys::kShareTotal)] = s.total;
      share[Key(keys::kShareFree)] = s.free;
      if (s.available != s.free) share[Key(keys::kShareAvailable)] = s.available;
      shares[s.name.empty() ? folded : s.name] = std::move(share);
    }
    file[Key(keys::kShares)] = std::move(shares);
  }
  Latency latency = c.latency;
  LabJson waits = LabJson::object();
  for (const auto& [key, ms] : LatencyFields(latency)) {
    if (*ms != 0) waits[Key(key)] = *ms;
  }
  if (!waits.empty()) file[Key(keys::kLatency)] = std::move(waits);
  for (auto it = c.otherKeys.begin(); it != c.otherKeys.end(); ++it) file[it.key()] = it.value();
  return file;
}

}  // namespace korvane::lab

// One lab computer: the typed model of a computer file, shared by the simulator (which
// answers from it) and the authoring tools (which make and change it). ReadComputer
// checks every known key of a file and builds the model; WriteComputer writes a model as
// a file that reads back as the same model. A file whose keys do not have the documented
// shape is rejected as a whole with one problem text, so a typo never silently turns into
// a different computer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lab/model/lab_json.h"
#include "platform/target.h"
#include "platform/variant.h"

namespace korvane::lab {

// ASCII letters folded to lower case; other bytes (UTF-8 included) unchanged.
std::string FoldCase(std::string_view text);

// The address a computer gets when its file names none: stable across runs, in
// 10.0.0.0/8, never ending in .0 or .255.
IPv4 DerivedAddress(std::string_view fileName);

std::optional<IPv4> ParseAddress(std::string_view text);
std::string AddressText(const IPv4& address);

struct EchoBehaviour {
  bool answers = true;          // false: silent until the time-out
  bool handleAvailable = true;  // false: the echo handle cannot be created
  uint32_t status = 0;          // non-zero: a reply record with this status
  std::optional<IPv4> from;     // another host answers
};

struct WmiError {
  int32_t number = 0;
  std::string description;
};

// The error a connection refused with this text reports: the RPC and access-denied texts
// carry their own numbers, any other text 0x80004005.
WmiError ConnectRefusal(const std::string& text);

struct WmiInstance {
  std::vector<std::pair<std::string, Variant>> properties;  // in file order

  // A property by name without regard to case; nullptr when absent.
  const Variant* Get(std::string_view name) const;
  // Replaces the property's value in place, or appends it.
  WmiInstance& Set(std::string_view name, Variant value);
  // The text of a text property, else empty.
  std::string Text(std::string_view name) const;
};

struct WmiClass {
  std::string name;
  std::vector<WmiInstance> instances;
};

struct WmiConfig {
  std::optional<WmiError> connectError;  // unset: the connection succeeds
  std::vector<WmiClass> classes;
  std::vector<std::pair<std::string, WmiError>> queryErrors;  // by class name

  // A class by name without regard to case; nullptr when not listed.
  WmiClass* Find(std::string_view name);
  const WmiClass* Find(std::string_view name) const;
  // The class, appended empty when not listed yet.
  WmiClass& Class(std::string_view name);
};

struct RegistryValue {
  std::string name;  // as written
  uint32_t type = 0;
  std::string bytes;  // exactly as Windows stores them, terminators included

  static RegistryValue Text(std::string name, std::string_view text, uint32_t type = kRegSz);
  static RegistryValue Dword(std::string name, uint32_t number);
  // The text of a REG_SZ or REG_EXPAND_SZ value without its terminator, else empty.
  std::string AsText() const;
};

// A registry key. Subkeys and values are found by name through an index (names compared
// without regard to ASCII case), so a key with tens of thousands of subkeys answers as
// fast as one with three.
class RegistryNode {
 public:
  std::string name;  // as first written

  const std::vector<std::unique_ptr<RegistryNode>>& subkeys() const { return subkeys_; }
  const std::vector<RegistryValue>& values() const { return values_; }

  RegistryNode* FindSubkey(std::string_view name) const;
  const RegistryValue* FindValue(std::string_view name) const;
  // The subkey, appended (keeping the order of first appearance) when missing.
  RegistryNode& Subkey(std::string_view name);
  void RemoveSubkey(std::string_view name);
  // Replaces a value of the same name in place, or appends it.
  void SetValue(RegistryValue value);

 private:
  std::vector<std::unique_ptr<RegistryNode>> subkeys_;  // in order of first appearance
  std::vector<RegistryValue> values_;
  std::unordered_map<std::string, std::size_t> subkeyIndex_;  // by folded name
  std::unordered_map<std::string, std::size_t> valueIndex_;
};

enum class RegistryAccess { Full, Read, None };

struct RegistryConfig {
  RegistryAccess access = RegistryAccess::Full;
  RegistryNode roots;  // its subkeys are the root keys (HKEY_LOCAL_MACHINE, ...)

  // A key by its full path ("HKEY_LOCAL_MACHINE\\Software\\..."), or nullptr.
  RegistryNode* Find(std::string_view path) const;
  // The key, created with its parents when missing. Throws std::invalid_argument when the
  // path does not start with a root key.
  RegistryNode& Key(std::string_view path);
};

enum class ManagerBehaviour { Ok, Refused, EnumRefused, Grows };

inline constexpr uint32_t kServiceOwnProcess = 0x10;
inline constexpr uint32_t kServiceShareProcess = 0x20;
inline constexpr uint32_t kServiceDriver = 0x01;
inline constexpr uint32_t kServiceStopped = 1;
inline constexpr uint32_t kServiceRunning = 4;

struct LabService {
  std::string name;
  std::string display;
  uint32_t type = kServiceOwnProcess;
  uint32_t state = kServiceRunning;
};

struct ServicesConfig {
  ManagerBehaviour manager = ManagerBehaviour::Ok;
  std::vector<LabService> list;
};

struct LogonsConfig {
  uint32_t status = 0;
  std::vector<WkstaUserInfo1> entries;
  uint32_t perCall = 2;
  std::vector<WkstaUserInfo1> addedAfterFirstCall;
};

struct ShareSpace {
  std::string name;  // as written ("C$")
  uint64_t total = 0;
  uint64_t free = 0;
  uint64_t available = 0;  // free to the caller; the free count unless the file says
};

// The service state words of the file ("running", "stopped", ...) and their codes; 0 for
// a word that is none of them.
uint32_t ServiceStateCode(std::string_view word);
std::string_view ServiceStateWord(uint32_t code);

struct Latency {
  uint32_t echo = 0, wmiConnect = 0, wmiQuery = 0, registry = 0, services = 0, logons = 0,
           shares = 0;
};

// Each latency kind with its key in the file.
std::array<std::pair<std::string_view, uint32_t*>, 7> LatencyFields(Latency& latency);

struct LabComputer {
  std::string fileName;  // without .json
  std::vector<std::string> aliases;
  IPv4 address{};
  EchoBehaviour echo;
  std::optional<WmiConfig> wmi;
  std::optional<RegistryConfig> registry;
  std::optional<ServicesConfig> services;
  std::optional<LogonsConfig> logons;
  std::map<std::string, ShareSpace> shares;  // by folded name
  Latency latency;
  // Members of the file this model does not know, kept so that a file changed by the
  // authoring tools keeps them.
  LabJson otherKeys = LabJson::object();

  // The Name of the first Win32_ComputerSystem instance, when there is one.
  std::optional<std::string> WmiComputerName() const;
};

// Reads a parsed lab file. On a problem returns nullptr and sets `problem` to a text
// naming the key ("wmi.classes.Win32_BIOS[0].Name: ...").
std::unique_ptr<LabComputer> ReadComputer(const std::string& fileName, const LabJson& file,
                                          std::string& problem);

// Reads the text of a computer file: the entry point for whatever reads lab files. On a
// problem returns nullptr and sets `problem` ("line 3, column 7: ..." or "services: ...").
std::unique_ptr<LabComputer> ReadComputerFile(const std::string& fileName, std::string_view text,
                                              std::string& problem);

// The file of a computer: every key the model holds, in the documented order.
LabJson WriteComputer(const LabComputer& computer);

}  // namespace korvane::lab

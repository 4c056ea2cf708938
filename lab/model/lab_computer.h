// One simulated computer as read from its lab file: every key of the file checked and
// turned into the form the simulated services answer from. A file whose keys do not
// have the documented shape is rejected as a whole with one problem text, so a typo
// never silently turns into a different computer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lab/model/json.h"
#include "platform/target.h"
#include "platform/variant.h"

namespace korvane::lab {

// ASCII letters folded to lower case; other bytes (UTF-8 included) unchanged.
std::string FoldCase(std::string_view text);

// The address a computer gets when its file names none: stable across runs, in
// 10.0.0.0/8, never ending in .0 or .255.
IPv4 DerivedAddress(std::string_view fileName);

std::optional<IPv4> ParseAddress(std::string_view text);

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

struct WmiInstance {
  std::vector<std::pair<std::string, Variant>> properties;  // in file order
};

struct WmiClass {
  std::string name;
  std::vector<WmiInstance> instances;
};

struct WmiConfig {
  std::optional<WmiError> connectError;  // unset: the connection succeeds
  std::vector<WmiClass> classes;
  std::vector<std::pair<std::string, WmiError>> queryErrors;  // by class name
};

struct RegistryValue {
  std::string name;  // as written
  uint32_t type = 0;
  std::string bytes;  // exactly as Windows stores them, terminators included
};

struct RegistryNode {
  std::string name;  // as first written
  std::vector<std::unique_ptr<RegistryNode>> subkeys;  // in order of first appearance
  std::vector<RegistryValue> values;
  RegistryNode* FindSubkey(std::string_view name) const;
  const RegistryValue* FindValue(std::string_view name) const;
};

enum class RegistryAccess { Full, Read, None };

struct RegistryConfig {
  RegistryAccess access = RegistryAccess::Full;
  RegistryNode roots;  // its subkeys are the root keys (HKEY_LOCAL_MACHINE, ...)
};

enum class ManagerBehaviour { Ok, Refused, EnumRefused, Grows };

struct LabService {
  std::string name;
  std::string display;
  uint32_t type = 0x10;   // SERVICE_WIN32_OWN_PROCESS
  uint32_t state = 4;     // SERVICE_RUNNING
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
  uint64_t total = 0;
  uint64_t free = 0;
  uint64_t available = 0;  // free to the caller; the free count unless the file says
};

struct Latency {
  uint32_t echo = 0, wmiConnect = 0, wmiQuery = 0, registry = 0, services = 0, logons = 0,
           shares = 0;
};

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

  // The Name of the first Win32_ComputerSystem instance, when there is one.
  std::optional<std::string> WmiComputerName() const;
};

// Reads a parsed lab file. On a problem returns nullptr and sets `problem` to a text
// naming the key ("wmi.classes.Win32_BIOS[0].Name: ...").
std::unique_ptr<LabComputer> ReadComputer(const std::string& fileName, const Json& file,
                                          std::string& problem);

}  // namespace korvane::lab

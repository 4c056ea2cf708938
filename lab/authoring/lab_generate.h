// Generated simulated networks: a plausible computer as a data model, and its lab file
// (the format of docs/lab.md). A computer depends only on the seed and its number, so a
// lab of 50 computers is the first 50 of a lab of 1,000 made with the same seed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lab/authoring/lab_catalogue.h"
#include "lab/model/json.h"

namespace korvane::console {

struct LabDrive {
  std::string caption;  // "C:"
  int driveType = 3;    // 2 removable, 3 fixed, 4 network, 5 CD
  bool hasMedia = true;
  std::string volumeName, fileSystem, serial;
  uint64_t size = 0, free = 0;  // bytes
};

struct LabProgram {
  std::string key;  // the uninstall subkey
  std::string name, version, location, productId, publisher, uninstall;
};

struct LabService {
  std::string name, display, type, state;
};

struct LabComputer {
  std::string name;           // file name and WMI name
  std::string address;
  std::string domain;         // DNS domain, or "WORKGROUP"
  std::string netbiosDomain;  // logon domain
  // How it answers.
  bool echo = true;
  std::string wmi = "ok";        // "ok", "absent" (RPC unavailable), or the refusal text
  std::string registry = "full"; // full, read, none
  std::string serviceManager = "ok";
  int logonStatus = 0;
  // What it is.
  const OsSpec* os = nullptr;
  std::string servicePack;
  std::string manufacturer, model, biosManufacturer, biosVersion, serial;
  std::string countryCode;
  uint64_t memoryBytes = 0;
  std::vector<std::pair<std::string, int>> cpus;  // name, MHz
  std::vector<LabDrive> drives;
  std::vector<LabProgram> programs;
  std::vector<LabService> services;
  std::vector<std::pair<std::string, std::string>> logons;         // user, domain
  std::string consoleUser;  // DOMAIN\user of the interactive session, empty for none
  int64_t installDate = 0;
};

struct LabSettings {
  int computers = 50;
  uint64_t seed = 1;
  std::map<std::string, int> latencyMs;  // written into every computer when not empty
};

LabComputer GenerateComputer(uint64_t seed, int index);
std::vector<LabComputer> GenerateLab(const LabSettings& settings);

// The lab file of a computer.
Json ComputerJson(const LabComputer& computer, const std::map<std::string, int>& latencyMs);

// "echo=1,wmiQuery=40": the latencyMs keys of the lab format. Throws std::invalid_argument.
std::map<std::string, int> ParseLatency(const std::string& text);

// Writes every computer file into `directory` (created when missing). Returns the count.
int WriteLab(const std::string& directory, const LabSettings& settings);

// A program that could be installed on a computer of this era, as the generator makes it.
LabProgram MakeProgram(const ProgramSpec& spec, std::size_t versionIndex, uint64_t salt);
// A hotfix or update entry of this era ("Security Update for Windows XP (KB912345)").
LabProgram MakeUpdate(int era, const std::string& osFamily, uint64_t salt);

// Writing and reading files whole; std::runtime_error on failure.
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

}  // namespace korvane::console

// Generated simulated networks: a plausible computer drawn from the catalogue and made
// into a lab computer (lab/model), and whole labs written as files. A computer depends
// only on the seed and its number, so a lab of 50 computers is the first 50 of a lab of
// 1,000 made with the same seed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lab/authoring/lab_catalogue.h"
#include "lab/model/lab_computer.h"
#include "lab/model/lab_keys.h"

namespace korvane::lab::authoring {

// A program as the generator installs it: one uninstall entry.
struct LabProgram {
  std::string key;  // the uninstall subkey
  std::string name, version, location, productId, publisher, uninstall;
};

// Writes the program's uninstall entry (replacing one of the same key) under the uninstall
// key of the 64-bit view, or of the one given (lab_keys.h).
void InstallProgram(RegistryConfig& registry, const LabProgram& program,
                    std::string_view uninstallKey = keys::kUninstallKey);

struct LabSettings {
  int computers = 50;
  uint64_t seed = 1;
  Latency latency;  // written into every computer
};

// The computer number `index` of the lab made with `seed`, and what the generator chose
// for it that the file does not say directly (its operating system's catalogue entry).
struct GeneratedComputer {
  LabComputer computer;
  const OsSpec* os = nullptr;
};
GeneratedComputer GenerateComputer(uint64_t seed, int index, const Latency& latency = {});

// "echo=1,wmiQuery=40": the latencyMs keys of the lab format. Throws std::invalid_argument.
Latency ParseLatency(const std::string& text);

// Writes every computer file into `directory` (created when missing). Returns the count.
int WriteLab(const std::string& directory, const LabSettings& settings);

// A program that could be installed on a computer of this era, as the generator makes it.
LabProgram MakeProgram(const ProgramSpec& spec, std::size_t versionIndex, uint64_t salt);
// A hotfix or update entry of this era ("Security Update for Windows XP (KB912345)").
LabProgram MakeUpdate(int era, const std::string& osFamily, uint64_t salt);

// Writes a computer's file whole, through the lab store (so a scanner never reads half a
// file); std::runtime_error on failure.
void WriteComputerAt(const std::string& directory, const LabComputer& computer);

}  // namespace korvane::lab::authoring

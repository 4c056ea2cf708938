// What the generated networks are made of: operating systems, machines, processors,
// programs and services of the Windows years from NT 4.0 to now. Each entry carries the
// eras it belongs to, so that a computer is a plausible whole (an NT 4.0 tower with a
// Pentium II and 128 MB, a Windows 11 laptop with 16 GB).
#pragma once

#include <string>
#include <vector>

namespace korvane::lab::authoring {

// 0: NT 4.0 years, 1: Windows 2000, 2: XP and Server 2003, 3: Vista/7, 4: 8 to 11.
constexpr int kEraCount = 5;

struct OsSpec {
  std::string caption;
  std::vector<std::string> servicePacks;  // "" for none
  std::string version;                    // "5.1.2600"
  std::string currentVersion;             // the registry's CurrentVersion, "5.1"
  std::string windowsDirectory;
  int era;
  bool server;
  double weight;
};

struct MachineSpec {
  std::string manufacturer;
  std::string model;
  std::string biosManufacturer;
  int firstEra, lastEra;
  bool laptop;
  bool server;
};

struct CpuSpec {
  std::string name;
  int mhz;
  int firstEra, lastEra;
  bool server;
};

struct ProgramSpec {
  std::string name;       // DisplayName; "{v}" stands for the major version
  std::string publisher;
  std::vector<std::string> versions;  // oldest first
  std::string location;   // InstallLocation; empty for none
  bool installer;         // an installer product: a GUID key, "MsiExec.exe /X..." uninstall
  bool productId;         // carries a product ID
  int firstEra, lastEra;
  double share;           // how many computers of its eras have it
};

struct ServiceSpec {
  std::string name;
  std::string display;
  std::string type;  // own, share, driver
  int firstEra, lastEra;
};

const std::vector<OsSpec>& OperatingSystems();
const std::vector<MachineSpec>& Machines();
const std::vector<CpuSpec>& Processors();
const std::vector<ProgramSpec>& Programs();
// Programs of 64-bit computers that install as 32-bit programs, into the 32-bit view.
const std::vector<ProgramSpec>& ThirtyTwoBitPrograms();
const std::vector<ServiceSpec>& Services();
const std::vector<std::string>& FirstNames();
const std::vector<std::string>& LastNames();
const std::vector<std::string>& Departments();

}  // namespace korvane::lab::authoring

// The contract's world in the lab: one computer file holding the contract's facts, the
// way a lab author would describe a real Windows computer.
#include <sstream>

#include "lab/simulator/lab.h"
#include "tests/contract/target_contract.h"
#include "tests/support/temp_dir.h"

namespace korvane::contract {
namespace {

constexpr const char* kComputerFile = R"({
  "address": "10.20.30.40",
  "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "CONTRACT01", "TotalPhysicalMemory": "536281088"}]}},
  "registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Korvane Contract": {
      "Text": "Grün 5.1",
      "Expand": {"type": "REG_EXPAND_SZ", "data": "%SystemRoot%\\k"},
      "Multi": {"type": "REG_MULTI_SZ", "data": ["a", "b"]},
      "Number": 7
    },
    "HKEY_LOCAL_MACHINE\\Software\\Korvane Contract\\Eins": {},
    "HKEY_LOCAL_MACHINE\\Software\\Korvane Contract\\Zwei": {},
    "HKEY_LOCAL_MACHINE\\Software\\Korvane Contract\\Drei": {},
    "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KorvaneContract32": {
      "DisplayName": "Korvane Contract 32", "UninstallString": "remove.exe"}
  }},
  "services": {"list": [{"name": "Browser", "display": "Computer Browser"},
                        {"name": "Cdrom", "display": "CD-ROM Driver", "type": "driver"},
                        {"name": "Spooler", "display": "Print Spooler"}]},
  "logons": {"entries": [{"user": "jsmith", "domain": "CORP"}]},
  "shares": {"C$": {"total": 40007729152, "free": 12884901888}}
})";

class LabWorld : public World {
 public:
  LabWorld() {
    test::WriteFile(dir_ / "CONTRACT01.json", kComputerFile);
    lab_ = OpenLab(dir_.str(), diagnostics_);
  }
  TargetNetwork& Network() override { return *lab_; }
  std::string Computer() override { return "CONTRACT01"; }

 private:
  test::TempDir dir_;
  std::ostringstream diagnostics_;
  std::unique_ptr<TargetNetwork> lab_;
};

}  // namespace

World& TheWorld() {
  static LabWorld world;
  return world;
}

}  // namespace korvane::contract

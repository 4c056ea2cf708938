// The fixed stage sequence of a scan as the console sees it: the progress lines of an
// answering computer and of a user-only refresh. (A computer that does not answer is
// covered with the lab's own end-to-end tests.)
#include <gtest/gtest.h>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

// A computer that answers, lets its registry be read, reports itself through WMI and has
// three uninstall entries.
const char* kAnswering = R"({
  "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": "PC01", "UserName": "CORP\\ann", "TotalPhysicalMemory": "1073741824"}],
    "Win32_LogicalDisk": [{"Caption": "C:", "Size": "40007729152", "FreeSpace": "12884901888", "FileSystem": "NTFS"}]}},
  "registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A": {"DisplayName": "Alpha", "UninstallString": "x"},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\B": {"DisplayName": "Beta", "UninstallString": "x"},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\C": {"DisplayName": "Gamma", "UninstallString": "x"}}},
  "services": {"list": [{"name": "Alerter", "display": "Alerter"}]}
})";

struct Network {
  TempDir lab;
  Inventory inventory;
  Network() {
    WriteFile(lab / "PC01.json", kAnswering);
  }
  ScanResult Scan(const std::string& computer, const std::string& suffix = "") {
    return RunScanner({.args = {ScanCommandLine(computer, inventory.DataSource(), suffix)},
                       .env = {{"KORVANE_LAB", lab.str()}, {"Temp", lab.str()}}});
  }
  std::vector<std::string> Log() { return ReadLines(lab / "DrevantaAssetDB.log"); }
};

std::vector<std::string> Items(const ScanResult& r, const std::string& computer) {
  std::vector<std::string> items;
  for (const auto& line : r.progress) {
    EXPECT_EQ(line.rfind(computer + ",", 0), 0u) << line;
    items.push_back(line.substr(computer.size() + 1));
  }
  return items;
}

TEST(ScanSequence, AnAnsweringComputerGoesThroughEveryStage) {
  Network net;
  ScanResult r = net.Scan("PC01");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText;
  // Three uninstall entries advance the running value by 40 / (3 - 1) per entry.
  EXPECT_EQ(Items(r, "PC01"),
            (std::vector<std::string>{"2", "4", "6", "20", "27", "29", "33", "35", "40", "70",
                                      "90", "110", "90", "100", "Complete"}));
  EXPECT_TRUE(net.Log().empty());
}

TEST(ScanSequence, AUserOnlyRefreshSkipsTheSoftwareStage) {
  Network net;
  ScanResult r = net.Scan("PC01", "-u");
  EXPECT_EQ(Items(r, "PC01"), (std::vector<std::string>{"2", "4", "6", "100", "Complete"}));
  // "-U" is not the switch: a full scan.
  ScanResult full = net.Scan("PC01", "-U");
  EXPECT_EQ(Items(full, "PC01").size(), 15u);
}

}  // namespace
}  // namespace korvane::test

#include "tests/faults/fault_lab.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scan/conversions.h"

namespace korvane::test {

std::string FaultComputer(const std::string& name, int version, int programs) {
  std::string keys;
  for (int i = 0; i < programs; ++i) {
    keys += R"(, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P)" +
            std::to_string(i) + R"(": {"DisplayName": "Program )" + std::to_string(i) +
            R"(", "DisplayVersion": "1.)" + std::to_string(version) + R"(", "UninstallString": "x"})";
  }
  return R"({
  "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": ")" + name + R"(", "Manufacturer": "Maker", "Model": "M1", "Domain": "corp", "TotalPhysicalMemory": "536281088", "UserName": "CORP\\u1"}],
    "Win32_OperatingSystem": [{"Caption": "Microsoft Windows XP Professional", "Version": "5.1.2600", "FreePhysicalMemory": "215040", "WindowsDirectory": "C:\\WINDOWS"}],
    "Win32_Processor": [{"Name": "CPU", "CurrentClockSpeed": 2793}],
    "Win32_LogicalDisk": [
      {"Caption": "C:", "Size": "40007729152", "FreeSpace": "12884901888", "FileSystem": "NTFS"},
      {"Caption": "D:", "Size": "40007729152", "FreeSpace": "1288490188", "FileSystem": "NTFS"},
      {"Caption": "E:", "Size": "40007729152", "FreeSpace": "128849018", "FileSystem": "FAT32"}]
  }},
  "registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"})" +
         keys + R"(}},
  "services": {"list": [{"name": "Alerter", "display": "Alerter"}]}
})";
}

void ExpectNoDuplicateRows(const Inventory& inventory, const std::string& name) {
  for (const char* table : {"Asset", "Software", "Services", "LastAccess"}) {
    EXPECT_LE(inventory.RowsOf(table, name).size(), 1u) << table;
  }
  for (const char* drive : kFaultDrives) {
    EXPECT_LE(inventory.RowsOf("DriveHistory", name + "~" + drive).size(), 1u) << drive;
  }
}

void ExpectComplete(const Inventory& inventory, const std::string& name, int version, int programs) {
  for (const char* table : {"Asset", "Software", "Services", "LastAccess"}) {
    ASSERT_EQ(inventory.RowsOf(table, name).size(), 1u) << table;
  }
  const auto asset = inventory.RowsOf("Asset", name)[0];
  EXPECT_EQ(asset[1], Variant("Maker"));
  EXPECT_EQ(ToDouble(asset[17]), 511.0);
  std::string software;
  for (int i = 0; i < programs; ++i) {
    if (i > 0) software += "^";
    software += "Program " + std::to_string(i) + "\xC2\xA7" + "1." + std::to_string(version) + "\xC2\xA7\xC2\xA7";
  }
  EXPECT_EQ(inventory.RowsOf("Software", name)[0][1], Variant(software));
  EXPECT_EQ(inventory.RowsOf("Services", name)[0][1], Variant("Alerter"));
  for (const char* drive : kFaultDrives) {
    const auto rows = inventory.RowsOf("DriveHistory", name + "~" + drive);
    ASSERT_EQ(rows.size(), 1u) << drive;
    const std::string series = rows[0][1].kind() == Variant::Kind::Text ? rows[0][1].text() : "";
    EXPECT_EQ(std::count(series.begin(), series.end(), '^'), 1) << drive << ": " << series;
  }
}

ScanResult ScanOnce(const std::string& name, const std::string& dataSource, const TempDir& lab,
                    const TempDir& temp, std::function<void(pid_t, const std::string&)> onProgress) {
  ScanOptions options;
  options.args = {ScanCommandLine(name, dataSource)};
  options.env = {{"KORVANE_LAB", lab.str()}, {"Temp", temp.str()}};
  options.onProgress = std::move(onProgress);
  return RunScanner(options);
}

}  // namespace korvane::test

// Many scanner processes write to one SQLite inventory at once; none may fail because
// another holds the file.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

// A computer that can be scanned through: it answers, its registry can be read and WMI
// describes it, so its scan goes on past the last-access record into the reconciliation.
std::string ScannableComputer(const std::string& name, int n) {
  return R"({
  "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": ")" + name + R"(", "Manufacturer": "Maker )" + std::to_string(n) +
         R"(", "Model": "M1", "Domain": "corp", "TotalPhysicalMemory": "536281088", "UserName": "CORP\\u)" +
         std::to_string(n) + R"("}],
    "Win32_OperatingSystem": [{"Caption": "Microsoft Windows XP Professional", "Version": "5.1.2600", "FreePhysicalMemory": "215040", "WindowsDirectory": "C:\\WINDOWS"}],
    "Win32_Processor": [{"Name": "CPU", "CurrentClockSpeed": 2793}],
    "Win32_LogicalDisk": [{"Caption": "C:", "Size": "40007729152", "FreeSpace": "12884901888", "FileSystem": "NTFS"}]
  }},
  "registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"}}},
  "services": {"list": [{"name": "Alerter", "display": "Alerter"}]}
})";
}

TEST(ConcurrentScans, ThirtyTwoScannersIntoOneSqliteFileAllRecordTheirAttempts) {
  constexpr int kScanners = 32;
  Inventory inventory;
  TempDir lab;
  TempDir temp;
  std::vector<std::string> names;
  for (int i = 0; i < kScanners; ++i) {
    names.push_back("CONC" + std::to_string(i));
    WriteFile(lab / (names.back() + ".json"), ScannableComputer(names.back(), i));
  }

  std::vector<ScanResult> results(kScanners);
  std::vector<std::thread> threads;
  for (int i = 0; i < kScanners; ++i) {
    threads.emplace_back([&, i] {
      ScanOptions options;
      options.args = {ScanCommandLine(names[i], inventory.DataSource())};
      options.env = {{"KORVANE_LAB", lab.str()}, {"Temp", temp.str()}};
      results[i] = RunScanner(options);
    });
  }
  for (auto& t : threads) t.join();

  for (int i = 0; i < kScanners; ++i) {
    SCOPED_TRACE(names[i]);
    // (Progress lines are not checked: on a heavily loaded machine a scanner waiting for
    // the file can stay silent longer than the harness listens.)
    EXPECT_EQ(results[i].exitCode, 0) << results[i].stderrText;
    const auto rows = inventory.RowsOf("LastAccess", names[i]);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1].kind(), Variant::Kind::Text);
    // The reconciliation wrote the computer's rows too.
    EXPECT_EQ(inventory.RowsOf("Asset", names[i]).size(), 1u);
    EXPECT_EQ(inventory.RowsOf("Software", names[i]).size(), 1u);
  }
  for (const std::string& line : ReadLines(temp / "DrevantaAssetDB.log")) {
    EXPECT_EQ(line.find("locked"), std::string::npos) << line;
    EXPECT_EQ(line.find("busy"), std::string::npos) << line;
    EXPECT_EQ(line.find("last access"), std::string::npos) << line;
    EXPECT_EQ(line.find("Error updating database"), std::string::npos) << line;
    EXPECT_EQ(line.find("Error connecting"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace korvane::test

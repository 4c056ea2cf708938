// The real scanner against lab computers and a fresh SQLite inventory: what the lab's
// echo answers reaches the progress lines and the rows, and a broken or missing lab is
// reported on standard error while the scan ends cleanly. (Silent computers and the
// LastAccess rows: tests/echo; an unreadable registry: tests/collect.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

class LabScanTest : public ::testing::Test {
 protected:
  void Computer(const std::string& name, const std::string& json) {
    WriteFile(lab_ / (name + ".json"), json);
  }

  ScanResult Scan(const std::string& name, const std::string& labDir = "") {
    ScanOptions options;
    options.args = {ScanCommandLine(name, inventory_.DataSource())};
    options.env = {{"KORVANE_LAB", labDir.empty() ? lab_.str() : labDir}, {"Temp", temp_.str()}};
    return RunScanner(options);
  }

  // An answering computer whose registry is unreadable shows the same progress lines:
  // only the access time tells the two apart.
  void ExpectSilent(const ScanResult& result, const std::string& name) {
    EXPECT_EQ(result.progress, (std::vector<std::string>{name + ",2", name + ",4", name + ",Complete"}));
    const auto rows = inventory_.RowsOf("LastAccess", name);
    ASSERT_EQ(rows.size(), 1u) << name;
    EXPECT_TRUE(rows[0][1].IsNull()) << name;
  }

  Inventory inventory_;
  TempDir lab_;
  TempDir temp_;
};

TEST_F(LabScanTest, AnsweringAndSilentComputers) {
  // The reply comes from another address than the one resolved: that is the one stored.
  Computer("PC01", R"({"address": "192.168.1.20", "echo": {"from": "192.168.1.99"},
    "registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion":
                              {"CurrentVersion": "5.1"}}},
    "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "PC01", "TotalPhysicalMemory": "536281088"}]}}})");

  ScanResult answered = Scan("PC01");
  EXPECT_EQ(answered.exitCode, 0) << answered.stderrText;
  ASSERT_FALSE(answered.progress.empty());
  EXPECT_EQ(answered.progress.back(), "PC01,Complete");
  EXPECT_EQ(inventory_.Rows("SELECT IPAddress FROM Asset WHERE Computer = 'PC01'"),
            (std::vector<std::vector<Variant>>{{Variant("192.168.1.99")}}));
  EXPECT_EQ(answered.stderrText, "");

  // A reply that reports the destination unreachable, and no echo handle at all.
  Computer("UNREACH", R"({"echo": {"status": 11003}, "registry": {}})");
  ExpectSilent(Scan("UNREACH"), "UNREACH");
  Computer("NOHANDLE", R"({"echo": {"handle": false}, "registry": {}})");
  ScanResult noHandle = Scan("NOHANDLE");
  ExpectSilent(noHandle, "NOHANDLE");
  EXPECT_NE(noHandle.stderrText.find("Unable to Create File Handle"), std::string::npos) << noHandle.stderrText;
}

TEST_F(LabScanTest, BrokenFileAndMissingLabAreReportedAndDoNotAnswer) {
  Computer("PC01", "{\"echo\": tru}");
  ScanResult broken = Scan("PC01");
  EXPECT_EQ(broken.exitCode, 0);
  ExpectSilent(broken, "PC01");
  EXPECT_EQ(broken.stderrText, "lab: " + (lab_ / "PC01.json").string() +
                                   ": line 1, column 13: syntax error while parsing value - invalid literal; last read: '\"echo\": tru}'; "
                                   "PC01 does not answer\n");

  const std::string missing = (lab_ / "gone").string();
  ScanResult noLab = Scan("PC01", missing);
  EXPECT_EQ(noLab.exitCode, 0);
  ExpectSilent(noLab, "PC01");
  EXPECT_EQ(noLab.stderrText, "lab: " + missing + " is not a directory; no computer answers\n");
}

}  // namespace
}  // namespace korvane::test

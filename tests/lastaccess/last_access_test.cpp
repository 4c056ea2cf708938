// A LastAccess table that cannot be written: the real scanner against a lab computer.
// (Answered and silent attempts show in the echo, console and reconciliation scans.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

// A server that cannot be reached, a missing catalog file or table: logged once with the
// database's description, and the scan ends before the access check.
TEST(LastAccessFailures, AnUnusableDatabaseIsLoggedOnceAndEndsTheScan) {
  TempDir lab;
  TempDir temp;
  WriteFile(lab / "PC01.json", "{}");
  TempDir emptyDirectory;  // no DrevantaAsset.sqlite in it
  Inventory noTable;
  noTable.Execute("DROP TABLE LastAccess");

  // The server, and part of the database's description.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no-such-server.invalid", "SQL Server does not exist or access denied: 'no-such-server.invalid'"},
      {emptyDirectory.str(), "unable to open"},
      {noTable.DataSource(), "LastAccess"}};
  for (const auto& [server, expectedText] : cases) {
    SCOPED_TRACE(server);
    std::filesystem::remove(temp / "DrevantaAssetDB.log");
    const ScanResult result = RunScanner(
        {.args = {ScanCommandLine("PC01", server)}, .env = {{"KORVANE_LAB", lab.str()}, {"Temp", temp.str()}}});
    EXPECT_EQ(result.exitCode, 0) << result.stderrText;
    EXPECT_EQ(result.progress, (std::vector<std::string>{"PC01,2", "PC01,4", "PC01,Complete"}));
    const auto lines = ReadLines(temp / "DrevantaAssetDB.log");
    ASSERT_EQ(lines.size(), 1u);
    const std::string entry = lines[0].substr(lines[0].find(',') + 1);
    EXPECT_TRUE(entry.starts_with("Error updating last access database,PC01:")) << entry;
    EXPECT_NE(entry.find(expectedText), std::string::npos) << entry;
  }
  // The scanner never creates the catalog file.
  EXPECT_FALSE(std::filesystem::exists(emptyDirectory / "DrevantaAsset.sqlite"));
}

}  // namespace
}  // namespace korvane::test

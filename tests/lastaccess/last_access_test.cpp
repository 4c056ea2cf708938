// Every scan attempt leaves its trace in LastAccess: the real scanner against a lab
// computer and a real inventory (SQLite always, PostgreSQL when configured).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

constexpr const char* kLastAccessFailure = "Error updating last access database";

// The log lines without their leading time stamp: "first,second".
std::vector<std::string> LogEntries(const TempDir& temp) {
  std::vector<std::string> entries;
  for (const std::string& line : ReadLines(temp / "DrevantaAssetDB.log")) {
    entries.push_back(line.substr(line.find(',') + 1));
  }
  return entries;
}

// A stored time text "YYYY/MM/DD HH:MM:SS" in the hour the fake clock started in (it runs
// during the scan).
void ExpectTimeTextFrom(const Variant& stored, const std::string& start) {
  ASSERT_EQ(stored.kind(), Variant::Kind::Text);
  EXPECT_TRUE(std::regex_match(stored.text(), std::regex(start.substr(0, 14) + R"(\d{2}:\d{2})"))) << stored.text();
}

class LastAccessTest : public ::testing::TestWithParam<InventoryBackend> {
 protected:
  void SetUp() override {
    KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
    inventory_ = std::make_unique<Inventory>(GetParam());
  }

  // An answering computer's registry cannot be read, so its scan ends at the access check.
  void Scan(const std::string& name, bool answers, const std::string& fakeTime = "2003-02-14 09:05:30") {
    WriteFile(lab_ / (name + ".json"), answers ? "{}" : "{\"echo\": false}");
    const ScanResult result = RunScanner({.args = {ScanCommandLine(name, inventory_->DataSource())},
                                          .env = {{"KORVANE_LAB", lab_.str()}, {"Temp", temp_.str()}},
                                          .fakeTime = fakeTime});
    EXPECT_EQ(result.exitCode, 0) << result.stderrText;
  }

  // The time column of the computer's one row.
  Variant TimeOf(const std::string& name) {
    const auto rows = inventory_->RowsOf("LastAccess", name);
    EXPECT_EQ(rows.size(), 1u) << name;
    return rows.empty() ? Variant() : rows[0][1];
  }

  std::unique_ptr<Inventory> inventory_;
  TempDir lab_;
  TempDir temp_;
};

// (A first attempt, answered or not, shows in the echo and console tests.)
TEST_P(LastAccessTest, AnAnswerMovesTheTimeOnAndSilenceLeavesItAsItWas) {
  const std::string name = UniqueComputerName("LAST");
  Scan(name, true);
  const Variant stored = TimeOf(name);
  ExpectTimeTextFrom(stored, "2003/02/14 09:05:30");
  Scan(name, false, "2003-02-15 17:45:01");
  EXPECT_EQ(TimeOf(name), stored);
  Scan(name, true, "2003-02-16 08:00:00");
  ExpectTimeTextFrom(TimeOf(name), "2003/02/16 08:00:00");
  for (const std::string& entry : LogEntries(temp_)) {
    EXPECT_EQ(entry.find(kLastAccessFailure), std::string::npos) << entry;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, LastAccessTest, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

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
    const auto entries = LogEntries(temp);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rfind(std::string(kLastAccessFailure) + ",PC01:", 0), 0u) << entries[0];
    EXPECT_NE(entries[0].find(expectedText), std::string::npos) << entries[0];
  }
  // The scanner never creates the catalog file.
  EXPECT_FALSE(std::filesystem::exists(emptyDirectory / "DrevantaAsset.sqlite"));
}

}  // namespace
}  // namespace korvane::test

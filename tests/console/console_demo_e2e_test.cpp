// `korvane-console demo`: the main job in one command, end to end: a new lab and
// directory inventory, three scans on the pinned days, the inventory and one computer
// shown, and every stored date one of the pinned days.
#include <gtest/gtest.h>

#include "platform/database.h"
#include "platform/db/database_server.h"
#include "scan/scan_context.h"
#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

// The first column of every row, as text.
std::vector<std::string> Column(const std::string& inventory, const std::string& query) {
  std::vector<std::string> values;
  for (const auto& row : InventoryAt(inventory).Rows(query)) {
    values.push_back(row[0].kind() == Variant::Kind::Text ? row[0].text() : "");
  }
  return values;
}

TEST(ConsoleDemo, ScansANewNetworkOnThreePinnedDaysAndShowsIt) {
  TempDir dir;
  const std::string root = (dir / "demo").string();
  const ConsoleRun run = RunConsole({"demo", root, "--computers", "5"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string text = run.Text();
  for (const char* day : {"=== Day 1 (2026-12-01 09:00:00)", "=== Day 2 (2026-12-02 09:00:00)",
                          "=== Day 3 (2026-12-03 09:00:00)", "=== The inventory", "=== One computer: "}) {
    EXPECT_TRUE(Contains(text, day));
  }

  const std::string inventory = root + "/inventory";
  const auto times = Column(inventory, "SELECT LastAccessTime FROM LastAccess WHERE LastAccessTime IS NOT NULL");
  ASSERT_FALSE(times.empty());
  for (const auto& t : times) EXPECT_EQ(t.substr(0, 14), "2026/12/03 09:") << "last seen on the third day";
  const auto series = Column(inventory, "SELECT DiskHistory FROM DriveHistory ORDER BY length(DiskHistory) DESC");
  ASSERT_FALSE(series.empty());
  EXPECT_EQ(series[0].substr(0, 12), "^2026/12/01,");
  EXPECT_TRUE(Contains(series[0], "^2026/12/02,"));
  EXPECT_TRUE(Contains(series[0], "^2026/12/03,"));

  // A directory already holding something is not overwritten.
  EXPECT_EQ(RunConsole({"demo", root}).exitCode, 1);
}

}  // namespace
}  // namespace korvane::test

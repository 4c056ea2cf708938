// Many scanners against one PostgreSQL server through the real console. These tests empty
// the inventory, so they run on a server of their own (KORVANE_TEST_PG_SCALE_DSN, with
// max_connections 150).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "console/scan/targets.h"
#include "tests/console/console_fixture.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

const char* const kTables[] = {"Asset", "Software", "Services", "LastAccess", "DriveHistory"};

std::string ScaleDsn() {
  const char* dsn = std::getenv("KORVANE_TEST_PG_SCALE_DSN");
  return dsn ? dsn : "";
}

#define SKIP_UNLESS_SCALE_SERVER()                                                                       \
  if (ScaleDsn().empty())                                                                                \
  GTEST_SKIP() << "needs KORVANE_TEST_PG_SCALE_DSN: a PostgreSQL server of the test's own with max_connections 150"

class Server {
 public:
  // CTest runs tests side by side: the lock keeps two of them from mixing rows.
  Server() : lock_(::open("/tmp/korvane-test-pg-scale.lock", O_CREAT | O_RDWR, 0666)) {
    if (lock_ >= 0) ::flock(lock_, LOCK_EX);
  }
  ~Server() {
    if (lock_ >= 0) ::close(lock_);
  }

  void Empty() {
    for (const char* table : kTables) inventory_.Execute(std::string("DELETE FROM ") + table);
  }

  int Number(const std::string& query) {
    const Variant v = inventory_.Rows(query).at(0).at(0);
    return v.kind() == Variant::Kind::Text ? std::stoi(v.text()) : v.long_value();
  }

  // Every row as text, sorted, dates and times masked: what two runs must have in common.
  std::vector<std::string> Rows() {
    static const std::regex time(R"(\d{4}/\d{2}/\d{2}( \d{2}:\d{2}:\d{2})?)");
    std::vector<std::string> all;
    for (const char* table : kTables) {
      for (const auto& fields : inventory_.Rows(std::string("SELECT * FROM ") + table)) {
        std::string row = table;
        for (const Variant& v : fields) row += "|" + ::testing::PrintToString(v);
        all.push_back(std::regex_replace(row, time, "<time>"));
      }
    }
    std::sort(all.begin(), all.end());
    return all;
  }

 private:
  int lock_;
  Inventory inventory_ = InventoryAt(ScaleDsn());
};

TEST(ConsoleServer, HundredTwentyEightScansAtOnceWithinAServerLimitOf150) {
  SKIP_UNLESS_SCALE_SERVER();
#if defined(__SANITIZE_ADDRESS__)
  // So many sanitized scanners starve every test beside them.
  GTEST_SKIP() << "not under AddressSanitizer: the optimised build runs it";
#endif
  Server server;
  ASSERT_EQ(server.Number("SELECT CAST(current_setting('max_connections') AS integer)"), 150)
      << "the scale server must run with max_connections 150";
  server.Empty();
  TempDir lab;
  TempDir temp;
  // Slow answers keep all 128 scanners busy at once without the processors being the limit.
  for (int i = 0; i < 500; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "PC%04d", i);
    WriteFile(lab / (std::string(name) + ".json"),
              R"({"latencyMs": {"wmiConnect": 400, "registry": 2},)" + FullComputerJson(name).substr(1));
  }
  const ScanResult run = RunConsole(
      {"scan", "--db", ScaleDsn(), "--lab", lab.str(), "--jobs", "128", "--timeout", "240", "all"},
      {{"Temp", temp.str()}});
  const std::string text = run.StdoutText();
  EXPECT_EQ(run.exitCode, 0) << text << run.stderrText;
  // 147 connections are free for the scanners: no warning.
  EXPECT_EQ(run.stderrText.find("warning"), std::string::npos) << run.stderrText;
  EXPECT_TRUE(Contains(text, "up to 128 at once"));

  // No scanner was refused or gave up on the database.
  for (const std::string& line : ReadLines(temp / "DrevantaAssetDB.log")) {
    for (const char* error : {"too many clients", "Error updating", "Error connect"}) {
      EXPECT_EQ(line.find(error), std::string::npos) << line;
    }
  }
  // No row lost: every computer has its one row in every table.
  EXPECT_TRUE(Contains(text, "500 scans: 500 complete"));
  for (const std::string table : kTables) {
    EXPECT_EQ(server.Number("SELECT CAST(COUNT(DISTINCT " + KeyColumnOf(table) + ") AS integer) FROM " + table), 500)
        << table;
    EXPECT_EQ(server.Number("SELECT CAST(COUNT(*) AS integer) FROM " + table), 500) << table;
  }

  // More at once than the server has free: the console warns before it starts.
  const ScanResult tooMany = RunConsole(
      {"scan", "--db", ScaleDsn(), "--lab", lab.str(), "--jobs", "200", "--scanner", "/bin/true", "all"},
      {{"Temp", temp.str()}});
  EXPECT_TRUE(Contains(tooMany.stderrText, "200 scans at once need 200 connections, but the PostgreSQL server has"));
  EXPECT_TRUE(Contains(tooMany.stderrText, "max_connections"));
}

TEST(ConsoleServer, TwoConsolesOnDisjointHalvesGiveTheRowsOfOne) {
  SKIP_UNLESS_SCALE_SERVER();
  Server server;
  TempDir lab;
  TempDir temp;
  const std::vector<std::string> create = {"lab-create", lab.str(), "--computers", "60", "--seed", "5",
                                           "--latency", "wmiConnect=50,wmiQuery=5"};
  ASSERT_EQ(RunConsole(create).exitCode, 0);
  const std::vector<std::string> computers = console::LabComputers(lab.str());
  for (std::size_t half : {0, 1}) {
    std::string list;
    for (std::size_t i = half; i < computers.size(); i += 2) list += computers[i] + "\n";
    WriteFile(temp / (half ? "second.txt" : "first.txt"), list);
  }
  auto scan = [&](const std::string& targets) {
    return RunConsole({"scan", "--db", ScaleDsn(), "--lab", lab.str(), "--jobs", "8", targets},
                      {{"Temp", temp.str()}});
  };

  server.Empty();
  const ScanResult one = scan("all");
  EXPECT_EQ(one.exitCode, 0) << one.StdoutText() << one.stderrText;
  const std::vector<std::string> byOne = server.Rows();

  server.Empty();
  ScanResult second;
  std::thread other([&] { second = scan("@" + (temp / "second.txt").string()); });
  const ScanResult first = scan("@" + (temp / "first.txt").string());
  other.join();
  EXPECT_EQ(first.exitCode, 0) << first.StdoutText() << first.stderrText;
  EXPECT_EQ(second.exitCode, 0) << second.StdoutText() << second.stderrText;
  const std::vector<std::string> byTwo = server.Rows();

  EXPECT_GT(byOne.size(), computers.size());
  EXPECT_EQ(byTwo, byOne);
}

}  // namespace
}  // namespace korvane::test

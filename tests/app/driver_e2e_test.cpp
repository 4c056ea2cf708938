// The scanner's start: the command line read into the scan context, the runtime's
// conversions, the time texts with a locale's separators and the pinned clock; and the real
// korvane with bad command lines and names, a lost console, and concurrent scanners that
// never tear each other's log lines.
#include <gtest/gtest.h>

#include <future>
#include <regex>
#include <set>

#include "app/form.h"
#include "platform/pinned_clock.h"
#include "platform/runtime_error.h"
#include "scan/conversions.h"
#include "scan/korvane.h"
#include "scan/time_text.h"
#include "tests/support/doubles.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/scannable_computer.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

struct StartUp {
  test::TestProcess process;
  test::RecordingConsole console;
  test::FixedClock clock;
  Korvane k{Platform{&process, &console, &clock, nullptr, nullptr}};

  explicit StartUp(const std::string& commandLine, bool withTemp = true) {
    process.commandLine = commandLine;
    if (withTemp) process.environment["TEMP"] = "C:\\Temp";
  }
  // Runs Form_Load; true when it ended the process.
  bool Load() {
    try {
      Form_Load(k);
      return false;
    } catch (ProcessEndedForTest) {
      return true;
    }
  }
};

// Malformed lines and where a well-formed one takes the scan are checked on the real
// executable; here, what those scans cannot tell.
TEST(StartUp, ReadsTheFieldsOfACommandLine) {
  // The console recognises the scanner's connection failures by this text.
  StartUp s("1234,PC01,SQLSRV,");
  ASSERT_FALSE(s.Load());
  EXPECT_EQ(s.k.ctx.ConnectionString,
            "Provider=SQLOLEDB;Data Source=SQLSRV;Initial Catalog=DrevantaAsset;"
            "Trusted_Connection=yes");

  // Fields are not trimmed, and the fourth may hold commas.
  StartUp untrimmed("77, PC 01 ,SQL,SRV,more");
  ASSERT_FALSE(untrimmed.Load());
  EXPECT_EQ(untrimmed.k.ctx.ComputerName, " PC 01 ");
  EXPECT_EQ(untrimmed.k.ctx.SqlServer, "SQL");

  // The user-only switch is the last two characters exactly.
  for (const auto& [line, userOnly] : {std::pair{"1234,PC01,SQLSRV,-U", false}, std::pair{"1234,PC01,SQLSRV,x,y-u", true},
                                       std::pair{"1234,PC01,SQLSRV,-u ", false}}) {
    StartUp u(line);
    ASSERT_FALSE(u.Load()) << line;
    EXPECT_EQ(u.k.ctx.UserOnly, userOnly) << line;
  }

  // Without Temp, the log is at the root.
  StartUp noTemp("1,PC01", /*withTemp=*/false);
  ASSERT_TRUE(noTemp.Load());
  EXPECT_EQ(noTemp.process.files.count("\\DrevantaAssetDB.log"), 1u);
}

TEST(Conversions, NumbersAndTextFollowTheRuntimeRules) {
  EXPECT_EQ(NumberText(50 + 8 * (40.0 / 3.0) / 4.0), "76.6666666666667");
  for (const auto& [text, value] : {std::pair{" 12 ", 12}, {"2.5", 2}, {"3.5", 4}}) {  // half to even
    EXPECT_EQ(ToLong(Variant(text)), value) << text;
  }
  EXPECT_THROW(ToLong(Variant("12a")), RuntimeError);
  EXPECT_THROW(ToLong(Variant("")), RuntimeError);
  EXPECT_THROW(ToText(Variant::Null()), RuntimeError);
  EXPECT_EQ(ToText(Variant()), "");
  EXPECT_EQ(*WholeMegabytes(2.5 * 1024 * 1024, 2), 3);
  EXPECT_EQ(*WholeMegabytes(0.5 * 1024 * 1024, 2), 1);
  EXPECT_FALSE(WholeMegabytes(0.49 * 1024 * 1024, 2).has_value());
  EXPECT_FALSE(WholeMegabytes(300, 1).has_value());  // 300 KB free
  EXPECT_EQ(CharCount("Zürich"), 6u);
  EXPECT_EQ(FirstChars("5.1ü", 3), "5.1");
  EXPECT_EQ(FirstChars("üüüü", 3), "üüü");
}

TEST(TimeText, PatternsKeepTheirOrderAndTakeTheSystemsSeparatorsAndThePinnedClockAddsTime) {
  EXPECT_EQ(TimeText(LocalTime{2003, 2, 14, 9, 5, 30}, "-", "."), "2003-02-14 09.05.30");
  EXPECT_EQ(WithDecimalSeparator("52.6666666666667", ","), "52,6666666666667");
  EXPECT_EQ(WithDecimalSeparator("51", ","), "51");
  // The pinned clock reads its start and adds time across a year's end and a leap day.
  const auto start = ParseClockText("2026-12-31 23:59:30");
  ASSERT_TRUE(start.has_value());
  EXPECT_EQ(TimeText(AddSeconds(*start, 45)), "2027/01/01 00:00:15");
  EXPECT_EQ(TimeText(AddSeconds(LocalTime{2024, 2, 28, 12, 0, 0}, 86400)), "2024/02/29 12:00:00");
  EXPECT_TRUE(ParseClockText("2026-12-01T09:00:00").has_value());
  for (const char* bad : {"2026-02-30 09:00:00", "2026-12-01 24:00:00", "2026-12-01"}) {
    EXPECT_FALSE(ParseClockText(bad)) << bad;
  }
}

const std::regex kLogLine(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2},(.*)$)");

std::string AfterDate(const std::string& line) {
  std::smatch m;
  if (!std::regex_match(line, m, kLogLine)) return "<malformed: " + line + ">";
  return m[1];
}

TEST(ScannerCommandLine, MalformedLinesOverlongNamesAndALostConsoleOrLogEndTheScanCleanly) {
  TempDir temp;
  // Two commas: the list box handle (3) was read, the computer name not.
  ScanResult r = RunScanner({.args = {"3,PC01,SQLSRV"}, .env = {{"Temp", temp.str()}}});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.progress, std::vector<std::string>{",Complete"});
  // A first field that is not a number: the line goes to handle 0, so nobody gets it.
  r = RunScanner({.args = {"x3,PC01,SQLSRV,"}, .env = {{"TEMP", temp.str()}}});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.progress.empty());
  EXPECT_TRUE(r.stdoutLines.empty());
  // A console that passes the line in pieces gets them joined with single blanks.
  r = RunScanner({.args = {"3,PC", "01,SRV"}, .env = {{"Temp", temp.str()}}});
  EXPECT_EQ(r.progress, std::vector<std::string>{",Complete"});
  // Over 64 characters ends the scan before the database; handle 1 is standard output.
  const std::string name(65, 'N');
  r = RunScanner({.args = {"1," + name + "," + temp.str() + ","}, .env = {{"Temp", temp.str()}}});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.progress.empty());
  EXPECT_EQ(r.stdoutLines, (std::vector<std::string>{name + ",2", name + ",Complete"}));
  // Every write to a closed channel fails with a broken pipe: neither kills the scan.
  r = RunScanner({.args = {ScanCommandLine(name, temp.str())}, .env = {{"Temp", temp.str()}},
                  .closeReader = true});
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exitCode, 0);

  const auto log = ReadLines(temp / "DrevantaAssetDB.log");
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(AfterDate(log[0]), "Korvane.Form_Load,3,PC01,SQLSRV:Invalid procedure call or argument");
  EXPECT_EQ(AfterDate(log[1]), "Korvane.Form_Load,x3,PC01,SQLSRV,:Type mismatch");
  EXPECT_EQ(AfterDate(log[2]), "Korvane.Form_Load,3,PC 01,SRV:Invalid procedure call or argument");
  EXPECT_EQ(AfterDate(log[3]), "Korvane.Scan," + name + ":Invalid procedure call or argument");
  EXPECT_EQ(AfterDate(log[4]), AfterDate(log[3]));
  // A log that cannot be written changes nothing else either.
  const std::string noDirectory = (temp / "no" / "dir").string();
  r = RunScanner({.args = {ScanCommandLine(name, temp.str())}, .env = {{"Temp", noDirectory}}});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.progress.back(), name + ",Complete");
}

TEST(ScannerConsole, AHandleThatWasNotInheritedNeverReachesTheScannersOwnFiles) {
  // By the time a rescan reports, a handle that was free at start-up may be the open
  // database file: a line written there would destroy the inventory.
  TempDir lab;
  WriteFile(lab / "PC01.json", ScannableComputer("PC01", "Dell", {"\"Alpha\"", "\"Beta\""}));
  Inventory inventory;
  const std::map<std::string, std::string> env = {{"KORVANE_LAB", lab.str()}, {"Temp", lab.str()}};
  const std::string line = ScanCommandLine("PC01", inventory.DataSource());
  ASSERT_EQ(RunScanner({.args = {line}, .env = env}).progress.back(), "PC01,Complete");
  for (int fd : {kChannelFd, 9}) {
    const std::string handle = std::to_string(fd);
    ScanResult r = RunScanner({.args = {handle + line.substr(line.find(','))}, .env = env, .channelFd = -1});
    EXPECT_EQ(r.exitCode, 0) << handle << r.stderrText;
    EXPECT_TRUE(r.stdoutLines.empty()) << handle;
  }
  // Still a database, with the rows of one computer scanned three times and no errors.
  EXPECT_EQ(ReadFile(inventory.SqliteFile()).substr(0, 16), std::string("SQLite format 3") + '\0');
  for (const char* table : {"Asset", "Software", "LastAccess"}) {
    EXPECT_EQ(inventory.RowsOf(table, "PC01").size(), 1u) << table;
  }
  EXPECT_NE(inventory.RowsOf("Software", "PC01").at(0).at(1).text().find("Beta"), std::string::npos);
  EXPECT_EQ(ReadLines(lab / "DrevantaAssetDB.log"), std::vector<std::string>{});
}

TEST(ScannerLog, ConcurrentScannersNeverTearALine) {
  TempDir temp;
  constexpr int kScanners = 40;
  // Long lines make a torn write likely if appends were not whole.
  std::vector<std::future<ScanResult>> runs;
  for (int i = 0; i < kScanners; ++i) {
    const std::string marker = "M" + std::to_string(i) + "-" + std::string(3000, 'x');
    runs.push_back(std::async(std::launch::async, [marker, &temp] {
      return RunScanner({.args = {"3," + marker}, .env = {{"Temp", temp.str()}}});
    }));
  }
  for (auto& r : runs) EXPECT_EQ(r.get().exitCode, 0);
  const auto log = ReadLines(temp / "DrevantaAssetDB.log");
  ASSERT_EQ(log.size(), static_cast<std::size_t>(kScanners));
  std::set<std::string> seen;
  const std::regex whole(R"(^Korvane\.Form_Load,3,(M\d+)-x{3000}:Invalid procedure call or argument$)");
  for (const auto& line : log) {
    std::smatch m;
    const std::string rest = AfterDate(line);
    ASSERT_TRUE(std::regex_match(rest, m, whole)) << rest.substr(0, 80);
    seen.insert(m[1]);
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kScanners));
}

}  // namespace
}  // namespace korvane::test

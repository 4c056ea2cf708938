// The real korvane-console starting the real korvane against a lab and an inventory it made:
// its summary, exit status, the scanners' log file and the rows they wrote.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <tuple>

#include "inventory/query_texts.h"
#include "lab/authoring/lab_generate.h"
#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

// EVIL reports through WMI a name holding a line break and, after it, a line in the error
// log's shape that blames PCOK; its software stage then logs a line under that name.
TEST(ConsoleScan, MixedOutcomesAreSummarisedAndNoComputerChangesWhatIsReportedAboutAnother) {
  ConsoleLab c;
  c.Add("PCOK", FullComputerJson("PCOK"));
  c.Add("PCOFF", R"({"echo": false})");
  c.Add("PCDENY", R"({"registry": {"access": "none"}})");
  c.Add("PCSLOW", R"({"latencyMs": {"echo": 60000}})");
  c.Add("EVIL", R"({
  "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "EVIL\r\n2026/12/01 09:00:00,Error updating database,PCOK"}]}},
  "registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A": {"DisplayName": "Alpha", "UninstallString": "x"}}}
})");
  const std::string earlier = "2026/11/30 08:00:00,Error updating database,PCOK:an earlier run";
  WriteFile(c.LogPath(), earlier + "\n");
  const ScanResult run = c.Scan({"--timeout", "3", "--jobs", "5", "--list"});
  ASSERT_EQ(run.exitCode, 1) << run.StdoutText() << run.stderrText;

  EXPECT_TRUE(Contains(RowOf(run, "PCOK"), "complete"));
  const std::string text = run.StdoutText();
  EXPECT_TRUE(Contains(text, "5 scans: 2 complete, 1 not answering, 1 no access, 1 timed out"));
  EXPECT_TRUE(Contains(text, "Error log: " + c.LogPath() + " (2 new lines)"));
  // Not a terminal: plain lines with a time stamp, one per stage and one at the end.
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\[\d\d:\d\d:\d\d\] PCOK: WMI \(6%\))"))) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\[\d\d:\d\d:\d\d\] PCOK: complete \()"))) << text;

  // The shared log keeps what was there and gains a line of PCDENY's and one of EVIL's,
  // the break made visible: no line of its own blames PCOK.
  std::vector<std::string> log = ReadLines(c.LogPath());
  ASSERT_EQ(log.size(), 3u) << ReadFile(c.LogPath());
  EXPECT_EQ(log[0], earlier);
  if (log[1].find("PCDENY") == std::string::npos) std::swap(log[1], log[2]);
  EXPECT_TRUE(Contains(log[1], ",Insufficient access or error accessing PC ,PCDENY:"));
  EXPECT_TRUE(std::regex_match(log[2], std::regex(
      R"(^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d,Error listing software,EVIL\\r\\n2026/12/01 09:00:00,Error updating database,PCOK:Division by zero$)")))
      << log[2];
  // The scans' own Temp directories are gone, the killed one's too: the inventory and the log are left.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(c.dir.path()), {}), 2);
}

// Concurrent first scans can leave two rows of a computer; show (and report, which reads them
// the same way) must present the first the scanner's keyed query returns, on every backend.
void ShowPresentsTheFirstOfDuplicateRows(const ConsoleLab& c, const std::string& name) {
  c.Add(name, FullComputerJson(name));
  const ScanResult scan = c.Scan({name});
  ASSERT_EQ(scan.exitCode, 0) << scan.StdoutText() << scan.stderrText;
  ASSERT_EQ(RunConsole({"init-db", c.source}).exitCode, 0) << "run again, it keeps what is stored";
  const Inventory inventory = InventoryAt(c.source);
  inventory.Execute("INSERT INTO Software (SoftComputer, SoftwareList) VALUES ('" + name + "', '')");
  inventory.Execute("INSERT INTO Services (ServComputer) VALUES ('" + name + "')");
  inventory.Execute("INSERT INTO Asset (Computer, Manufacturer) VALUES ('" + name + "', 'Second row')");
  // On PostgreSQL the scan's own updates may move its row behind the one added here.
  const auto first = [&](const std::string& query) { return inventory.Rows(query).at(0); };
  const bool scannedAsset = first(AssetQuery(name))[asset::kManufacturer] != Variant("Second row");
  const bool scannedSoftware = first(SoftwareQuery(name))[1] != Variant("");
  const bool scannedServices = !first(ServicesQuery(name))[1].IsNull();
  const std::string programs = scannedSoftware ? "2" : "0";
  const ScanResult all = RunConsole({"show", "--db", c.source});
  ASSERT_EQ(all.exitCode, 0) << all.stderrText;
  std::vector<std::string> following;  // the line after each row of the computer
  for (std::size_t i = 0; i + 1 < all.stdoutLines.size(); ++i) {
    if (all.stdoutLines[i].rfind(name + " ", 0) == 0) following.push_back(all.stdoutLines[i + 1]);
  }
  ASSERT_EQ(following.size(), 1u) << all.StdoutText();
  EXPECT_TRUE(Contains(following[0], " " + programs + " programs, "));
  const std::string one = c.Show({name});
  EXPECT_TRUE(Contains(one, "Software (" + programs + " programs)"));
  EXPECT_TRUE(Contains(one, scannedServices ? "Services: 1" : "Services: unknown"));
  EXPECT_EQ(Contains(one, "Second row"), !scannedAsset) << one;
}

TEST(ConsoleShow, DuplicateRowsArePresentedAsTheScannerReadsThemOnSqlite) {
  ShowPresentsTheFirstOfDuplicateRows(ConsoleLab(), "PCDUP");
}

TEST(ConsoleShow, DuplicateRowsArePresentedAsTheScannerReadsThemOnPostgres) {
  KORVANE_SKIP_UNLESS_AVAILABLE(InventoryBackend::Postgres);
  // Short enough for the overview's name column.
  ShowPresentsTheFirstOfDuplicateRows(ConsoleLab(PostgresDsn()),
                                      "DP" + std::to_string(getpid() % 100000) + "X" + std::to_string(time(nullptr) % 1000));
}

// Rows whose keys differ in letter case only (an earlier version keyed a computer as it
// was written) are one computer to the scanner, which works on the first; show, its
// CSV and the report show each row as itself, never the first twice.
TEST(ConsoleShow, RowsKeyedInAnotherLetterCaseAreEachShownAsThemselves) {
  const ConsoleLab c;
  const std::string id = std::to_string(getpid() % 1000);
  const std::string name = "\xC3\x84RZ" + id;   // ÄRZ
  const std::string other = "\xC3\xA4rz" + id;  // ärz
  c.Add(name, FullComputerJson(name));
  ASSERT_EQ(c.Scan({name}).exitCode, 0);
  const Inventory inventory = InventoryAt(c.source);
  inventory.Execute("INSERT INTO Asset (Computer, Manufacturer) VALUES ('" + other + "', 'Second row')");
  inventory.Execute("INSERT INTO Software (SoftComputer, SoftwareList) VALUES ('" + other + "', '')");
  const ScanResult all = RunConsole({"show", "--db", c.source});
  ASSERT_EQ(all.exitCode, 0) << all.stderrText;
  int rows = 0;
  for (const std::string& line : all.stdoutLines) rows += line.rfind(name + " ", 0) == 0 || line.rfind(other + " ", 0) == 0;
  EXPECT_EQ(rows, 2) << all.StdoutText();
  const std::string table = c.Show({"--format", "csv"});
  EXPECT_TRUE(Contains(table, "Second row"));
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3) << table;
  EXPECT_TRUE(Contains(c.Show({other}), "Second row"));
  EXPECT_FALSE(Contains(c.Show({name}), "Second row")) << c.Show({name});
}

TEST(ConsoleScan, AnInterruptEndsTheRunningScansAndSummarises) {
  for (const auto& [signal, status, twice] : {std::tuple{SIGINT, 130, false}, std::tuple{SIGTERM, 143, false},
                                              std::tuple{SIGHUP, 129, true}}) {
    SCOPED_TRACE("signal " + std::to_string(signal));
    const ConsoleLab c;
    c.Add("PCOK", FullComputerJson("PCOK"));
    for (const char* slow : {"SLOW1", "SLOW3", "SLOW4"}) c.Add(slow, R"({"latencyMs": {"echo": 60000}})");
    c.Add("SLOW2", kLogsThenHangs);
    const std::string output = (c.dir / "out.txt").string();
    const pid_t console =
        StartConsole(c, {"--jobs", "3", "--list", "PCOK", "SLOW1", "SLOW2", "SLOW3", "SLOW4"}, output);
    ASSERT_GT(console, 0);
    // PCOK is done and three slow scans wait, SLOW1 past its first line (on a busy machine
    // that line can come after SLOW3 has started), SLOW2 past its log line.
    for (int i = 0; i < 300 && (ReadFile(output).find("SLOW3: started") == std::string::npos ||
                                ReadFile(output).find("SLOW1: ping (2%)") == std::string::npos);
         ++i) {
      usleep(100000);
    }
    for (int i = 0; i < 100 && ProcessesMentioning(c.source, console).size() < 3; ++i) usleep(100000);
    for (int i = 0; i < 100 && RunLogsHolding(c, "Unable to access WMI") == 0; ++i) usleep(100000);
    ASSERT_EQ(ProcessesMentioning(c.source, console).size(), 3u) << ReadFile(output);
    kill(console, signal);
    if (twice) kill(console, signal);
    EXPECT_EQ(WaitFor(console), status) << ReadFile(output);
    // Not one scanner is left, once the ended ones are gone.
    for (int i = 0; i < 50 && !ProcessesMentioning(c.source, console).empty(); ++i) usleep(100000);
    EXPECT_EQ(ProcessesMentioning(c.source, console), std::vector<pid_t>{});
    const std::string text = ReadFile(output);
    if (!twice) {
      EXPECT_TRUE(Contains(text, "4 scans: 1 complete, 3 interrupted"));
      EXPECT_TRUE(Contains(text, "Interrupted: 3 running scans stopped, 1 not started"));
      EXPECT_TRUE(std::regex_search(text, std::regex(R"(\nSLOW1 +interrupted after 2%)"))) << text;
    }
    // The shared log holds what every stopped scanner had logged; a second signal can end
    // the console before it has moved the lines, and then the next run does.
    if (twice) {
      const ScanResult next = c.Scan({"PCOK"});
      EXPECT_EQ(next.exitCode, 0) << next.StdoutText();
    }
    EXPECT_TRUE(Contains(ReadFile(c.LogPath()), ",Unable to access WMI,SLOW2:Access is denied.")) << text;
    // What finished before the interrupt is in the inventory.
    EXPECT_EQ(InventoryAt(c.source).Rows(AssetQuery("PCOK")).size(), 1u);
  }
}

// Help that helps (options, exit statuses, two examples a command), and usage errors that
// say what was given and what would work.
TEST(ConsoleCommandLine, HelpVersionUsageErrorsAndTheInitDbHint) {
  const ScanResult help = RunConsole({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const std::string command : {"init-db", "scan", "show", "report", "lab-create", "lab-advance", "demo"}) {
    EXPECT_TRUE(Contains(help.StdoutText(), "  " + command + " "));
    for (const char* flag : {"--help", "-h"}) {
      const ScanResult one = RunConsole({command, flag});
      EXPECT_EQ(one.exitCode, 0) << command << " " << flag << one.stderrText;
      const std::string text = one.StdoutText();
      EXPECT_TRUE(Contains(text, "  " + command));
      EXPECT_TRUE(Contains(text, "Exit status: 0 ")) << command;
      std::size_t examples = 0;
      for (std::size_t at = text.find("\n  korvane-console " + command + " "); at != std::string::npos;
           at = text.find("\n  korvane-console " + command + " ", at + 1)) {
        ++examples;
      }
      EXPECT_EQ(examples, 2u) << text;
    }
  }
  const std::string scanHelp = RunConsole({"scan", "--help"}).StdoutText();
  for (const char* option : {"--db", "--jobs", "--timeout", "--user-only", "--list", "--lab", "--scanner", "(default 300"}) {
    EXPECT_TRUE(Contains(scanHelp, option));
  }
  EXPECT_TRUE(Contains(RunConsole({"show", "--help"}).StdoutText(), "--raw"));
  EXPECT_EQ(RunConsole({"-h"}).exitCode, 0);
  const ScanResult version = RunConsole({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  // The release and the commit built, the same in both programs.
  const std::regex versionLine(R"(korvane-console (\d+\.\d+ \(commit ([0-9a-f]{12}|unknown)(, [^)]+)?\))\n)");
  std::smatch consoleVersion;
  const std::string consoleText = version.StdoutText();
  ASSERT_TRUE(std::regex_match(consoleText, consoleVersion, versionLine)) << consoleText;
  const ScanResult scannerVersion = RunScanner({.args = {"--version"}});
  EXPECT_EQ(scannerVersion.exitCode, 0);
  EXPECT_EQ(scannerVersion.StdoutText(), "korvane " + consoleVersion[1].str() + "\n");
  TempDir dir;
  const std::string missing = (dir / "nowhere").string();
  const ScanResult wrong = RunConsole({"show", "--db", missing, "--format", "xml"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_TRUE(Contains(wrong.stderrText, "--format is text, csv or json, not xml"));
  EXPECT_TRUE(Contains(wrong.stderrText, "usage: korvane-console\n  show "));
  const ScanResult show = RunConsole({"show", "--db", missing});
  EXPECT_EQ(show.exitCode, 1);
  EXPECT_TRUE(Contains(show.stderrText, "korvane-console init-db " + missing));
  // No command, an unknown one, no inventory, no --db, neither targets nor a lab, no jobs,
  // a comma in the source, a missing target list, a lab of no size.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"init-db"}, {"scan", "PC01"}, {"scan", "--db", dir.str()},
           {"scan", "--db", dir.str(), "--jobs", "0", "PC01"}, {"scan", "--db", "a,b", "PC01"},
           {"scan", "--db", dir.str(), "@" + (dir / "none.txt").string()}, {"lab-create", (dir / "lab").string()}}) {
    EXPECT_EQ(RunConsole(args).exitCode, 2) << testing::PrintToString(args);
  }

  // A bare word that names no directory and no data source: say how to mean a directory.
  const std::string here = std::filesystem::current_path().string();
  std::filesystem::current_path(dir.path());
  const ScanResult bare = RunConsole({"init-db", "inv"});
  std::filesystem::current_path(here);
  EXPECT_EQ(bare.exitCode, 1);
  EXPECT_TRUE(Contains(bare.stderrText, "a path such as ./inv creates an SQLite inventory there"));
  EXPECT_FALSE(std::filesystem::exists(dir / "inv"));

  const std::string lab = (dir / "lab").string();
  ASSERT_EQ(RunConsole({"lab-create", lab, "--computers", "2"}).exitCode, 0);
  const ScanResult again = RunConsole({"lab-create", lab, "--computers", "3"});
  EXPECT_EQ(again.exitCode, 2);
  EXPECT_TRUE(Contains(again.stderrText, lab + " already holds a lab (2 computer files)"));
}

// The demo: a new lab and inventory scanned on three pinned days and shown; the generated
// computers scan as the generator describes them.
TEST(ConsoleDemo, ScansANewNetworkOnThreePinnedDaysAndShowsIt) {
  TempDir dir;
  const std::string root = (dir / "demo").string();
  const ScanResult run = RunConsole({"demo", root, "--computers", "12"});
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  const std::string text = run.StdoutText();
  for (const char* day : {"=== Day 1 (2026-12-01 09:00:00)", "=== Day 2 (2026-12-02 09:00:00)",
                          "=== Day 3 (2026-12-03 09:00:00)", "=== The inventory", "=== One computer: "}) {
    EXPECT_TRUE(Contains(text, day));
  }
  std::set<std::string> outcomes;
  for (int i = 0; i < 12; ++i) {
    const lab::authoring::GeneratedComputer generated = lab::authoring::GenerateComputer(7, i);  // the demo's seed
    const lab::LabComputer& c = generated.computer;
    // The scanner asks the registry for more than reading.
    const std::string expected = !c.echo.answers                               ? "not answering"
                                 : c.registry->access != lab::RegistryAccess::Full ? "no access"
                                                                                 : "complete";
    outcomes.insert(expected);
    EXPECT_TRUE(Contains(RowOf(run, c.fileName), " " + expected + " "));
  }
  EXPECT_EQ(outcomes.size(), 3u);

  const Inventory inventory = InventoryAt(root + "/inventory");
  const auto times = inventory.Rows("SELECT LastAccessTime FROM LastAccess WHERE LastAccessTime IS NOT NULL");
  ASSERT_FALSE(times.empty());
  for (const auto& t : times) EXPECT_EQ(t[0].text().substr(0, 14), "2026/12/03 09:") << "last seen on the third day";
  const auto series = inventory.Rows("SELECT DiskHistory FROM DriveHistory ORDER BY length(DiskHistory) DESC");
  ASSERT_FALSE(series.empty());
  EXPECT_TRUE(std::regex_match(series[0][0].text(), std::regex(R"(\^2026/12/01,\d+\^2026/12/02,\d+\^2026/12/03,\d+)")))
      << series[0][0].text();

  // A directory already holding something is not overwritten.
  EXPECT_EQ(RunConsole({"demo", root}).exitCode, 1);
}

}  // namespace
}  // namespace korvane::test

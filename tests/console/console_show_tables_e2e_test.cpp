// The fleet-wide views of `show`: the changes between two scans of a lab, with their
// first-day boundary, and the tables of computers, programs, drives and changes as CSV
// and JSON, and the problems, through the real console against a scanned inventory on each backend.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include <zlib.h>

#include "tests/console/console_fixture.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

const std::string kNow = "2026-12-03 12:00:00";

// The lines of `text` that hold `name` (the PostgreSQL inventory is shared by every test).
std::vector<std::string> LinesWith(const std::string& text, const std::string& name) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find(name) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

std::string Show(const ConsoleLab& c, const std::vector<std::string>& args) { return c.Show(args, kNow); }

// A computer scanned on the first and the third day, its memory doubled between them,
// with a program whose name a spreadsheet would run as a formula.
void ShowsTheFleetsChangesAndTables(const ConsoleLab& c, const std::string& name) {
  const auto withSum = [](std::string json) {
    const std::string winzip = R"("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinZip")";
    json.insert(json.find(winzip), R"("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sum": {
      "DisplayName": "=1+2, \"sum\"", "DisplayVersion": "-3", "UninstallString": "sum.exe"},
    )");
    return json;
  };
  c.Add(name, withSum(FullComputerJson(name)));
  ASSERT_EQ(c.Scan({name}, "2026-12-01 09:00:00").exitCode, 0);
  std::string later = withSum(FullComputerJson(name, "12884901888", "1072562176"));
  later.replace(later.find(R"("DisplayVersion": "9.0")"), 23, R"("DisplayVersion": "10.0")");
  c.Add(name, later);
  ASSERT_EQ(c.Scan({name}, "2026-12-03 09:00:00").exitCode, 0);

  // The last 7 days by default, newest first: the change, then what the first scan found.
  const std::string text = Show(c, {"--changes"});
  EXPECT_TRUE(Contains(text, "Time                Computer       Kind               Change\n"));
  const std::vector<std::string> rows = LinesWith(text, name);
  ASSERT_GE(rows.size(), 3u) << text;
  EXPECT_TRUE(Contains(rows[0], " hardware           Physical Memory changed from 511 To 1023"));
  EXPECT_EQ(rows[0].rfind("2026/12/03 09:00:", 0), 0u) << rows[0];
  EXPECT_TRUE(Contains(rows[1], " software version   WinZip"));
  EXPECT_EQ(rows.back().rfind("2026/12/01 09:00:", 0), 0u) << rows.back();

  // --since: its day included, the days before it not.
  EXPECT_EQ(LinesWith(Show(c, {"--changes", "--since", "2026-12-01"}), name).size(), rows.size());
  const std::vector<std::string> fromSecond = LinesWith(Show(c, {"--changes", "--since", "2026-12-02"}), name);
  const std::vector<std::string> fromThird = LinesWith(Show(c, {"--changes", "--since", "2026-12-03"}), name);
  EXPECT_EQ(fromSecond, fromThird);
  ASSERT_EQ(fromThird.size(), 2u) << Show(c, {"--changes", "--since", "2026-12-03"});
  EXPECT_EQ(fromThird[0], rows[0]);
  EXPECT_TRUE(Contains(Show(c, {"--changes", "--since", "2026-12-03"}), "\n2 changes\n") ||
              !PostgresDsn().empty());
  for (const char* bad : {"2026/12/01", "01-12-2026", "2026-13-01", "2026-12-04", "yesterday"}) {
    const ScanResult run = RunConsole({"show", "--db", c.source, "--changes", "--since", bad}, {}, kNow);
    EXPECT_EQ(run.exitCode, 2) << bad;
    EXPECT_TRUE(Contains(run.stderrText, "--since takes a date as YYYY-MM-DD, today (2026-12-03) or earlier, not " +
                                             std::string(bad)));
  }

  // The changes as CSV and JSON: the same rows, whatever the words' letter case.
  const std::string csv = Show(c, {"--changes", "--format", "CSV"});
  EXPECT_EQ(csv, Show(c, {"--format", "csv", "--table", "Changes"}));
  EXPECT_EQ(csv.rfind("Time,Computer,Kind,Change\r\n", 0), 0u);
  EXPECT_TRUE(std::regex_search(csv, std::regex("\r\n2026/12/03 09:00:\\d\\d," + name +
                                                ",hardware,Physical Memory changed from 511 To 1023\r\n")))
      << csv;
  const nlohmann::json changes = nlohmann::json::parse(Show(c, {"--changes", "--format", "json"}));
  std::vector<nlohmann::json> mine;
  for (const auto& change : changes) {
    if (change["Computer"] == name) mine.push_back(change);
  }
  ASSERT_EQ(mine.size(), rows.size());
  EXPECT_EQ(mine[0]["Kind"], "hardware");
  EXPECT_EQ(mine[0]["Change"], "Physical Memory changed from 511 To 1023");

  // Each table: its header and this computer's row, whole.
  const std::string computers = Show(c, {"--format", "csv", "--table", "computers"});
  EXPECT_EQ(computers.substr(0, computers.find("\r\n")),
            "Computer,UserName,Manufacturer,Model,Domain,OSCaption,CSDVersion,OSVersion,Processor1Name,"
            "Processor1ClockSpeed,TotalPhysicalMemory,SerialNumber,IPAddress,LastScan,Processors,Programs,Services,"
            "LastAccessTime");
  EXPECT_TRUE(std::regex_search(computers, std::regex(
      "\r\n" + name + R"(,CORP\\jsmith,Dell Inc\.,OptiPlex GX270,corp\.example,Microsoft Windows XP Professional,)"
      R"(Service Pack 2,5\.1\.2600,Intel\(R\) Pentium\(R\) 4 CPU 2\.80GHz,2793,1023,7XK2Q1J,[^,]*,)"
      R"(2026/12/03 09:00:\d\d,1,3,1,2026/12/03 09:00:\d\d\r\n)")))
      << computers;
  const std::string software = Show(c, {"--format", "csv", "--table", "SOFTWARE"});
  EXPECT_EQ(software.rfind("Computer,Program,Version,Location,ProductID\r\n", 0), 0u) << software;
  EXPECT_TRUE(Contains(software, "\r\n" + name + R"(,Microsoft Office Professional Edition 2003,11.0.5614.0,)"
                                                 R"(C:\Program Files\Microsoft Office\,73931-640-0000106-57285)" "\r\n"));
  const std::string drives = Show(c, {"--format", "csv", "--table", "drives"});
  EXPECT_EQ(drives.rfind("Computer,Drive,FileSystem,VolumeName,Size,FreeSpace,VolumeSerialNumber\r\n", 0), 0u);
  EXPECT_TRUE(Contains(drives, "\r\n" + name + ",C:,NTFS,SYSTEM,38154,12288,A4B2C3D4\r\n"));
  // JSON: the same rows, numbers as numbers.
  const nlohmann::json driveRows = nlohmann::json::parse(Show(c, {"--format", "json", "--table", "drives"}));
  bool found = false;
  for (const auto& d : driveRows) {
    if (d["Computer"] != name) continue;
    found = true;
    EXPECT_EQ(d, nlohmann::json::parse(R"({"Computer": ")" + name + R"(", "Drive": "C:", "FileSystem": "NTFS",
        "VolumeName": "SYSTEM", "Size": 38154, "FreeSpace": 12288, "VolumeSerialNumber": "A4B2C3D4"})"));
  }
  EXPECT_TRUE(found);
  for (const char* table : {"computers", "software", "changes", "problems"}) {
    EXPECT_NO_THROW(nlohmann::json::parse(Show(c, {"--format", "json", "--table", table}))) << table;
  }

  // Wrong words and combinations are usage errors.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--table", "printers", "--format", "csv"}, {"--table", "drives"}, {"--since", "2026-12-01"},
           {"--changes", name}, {"--stale-days", "5"}, {"--table", "problems", "--format", "csv", "--stale-days", "x"}}) {
    std::vector<std::string> all = {"show", "--db", c.source};
    all.insert(all.end(), args.begin(), args.end());
    EXPECT_EQ(RunConsole(all, {}, kNow).exitCode, 2) << args[0] << " " << args[1];
  }

  // The listing counts the programs and services a computer's own view lists, also for
  // lists another client stored with empty items (a server may count them itself).
  InventoryAt(c.source).Execute("UPDATE Services SET ServiceList = '^Alerter^^Computer Browser^' WHERE ServComputer = '" + name + "'");
  const nlohmann::json one = nlohmann::json::parse(Show(c, {"--format", "json", name}));
  nlohmann::json listed;
  for (const nlohmann::json& row : nlohmann::json::parse(Show(c, {"--format", "json"}))) {
    if (row["Computer"] == name) listed = row;
  }
  EXPECT_EQ(listed["Programs"], one["software"].size());
  EXPECT_EQ(listed["Services"], 2);
  EXPECT_EQ(one["services"].size(), 2u);
  EXPECT_TRUE(Contains(Show(c, {}), "  " + std::to_string(one["software"].size()) + " programs, ")) << Show(c, {});

}

TEST(ConsoleShowTables, ChangesAndTablesOfAScannedLabOnSqlite) {
  const ConsoleLab c;
  ShowsTheFleetsChangesAndTables(c, "PCTABLES");

  // A spreadsheet shows the formula-like program as text, unless --raw.
  const std::string software = Show(c, {"--format", "csv", "--table", "software"});
  EXPECT_TRUE(Contains(software, "\r\nPCTABLES,\"'=1+2, \"\"sum\"\"\",'-3,,\r\n"));
  EXPECT_TRUE(Contains(Show(c, {"--format", "csv", "--table", "software", "--raw"}),
                       "\r\nPCTABLES,\"=1+2, \"\"sum\"\"\",-3,,\r\n"));

  // A computer that never answered: the one problem, by its kind, name and times.
  c.Add("PCOFF", R"({"echo": false})");
  ASSERT_EQ(c.Scan({"PCOFF"}, "2026-12-03 09:30:00").exitCode, 0);
  EXPECT_EQ(Show(c, {"--format", "csv", "--table", "problems"}),
            "Problem,Computer,Inventoried,Time,Detail\r\nnot-answering,PCOFF,no,never,\r\n");
  EXPECT_EQ(nlohmann::json::parse(Show(c, {"--format", "json", "--table", "problems"})),
            nlohmann::json::parse(R"([{"Problem": "not-answering", "Computer": "PCOFF", "Inventoried": false,
                                       "Time": "never", "Detail": ""}])"));
  // A week later PCTABLES is stale after --stale-days 5, not after the 30 days of the default.
  const auto weekLater = [&](const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"show", "--db", c.source, "--format", "csv", "--table", "problems"};
    args.insert(args.end(), extra.begin(), extra.end());
    const ScanResult run = RunConsole(args, {}, "2026-12-10 12:00:00");
    EXPECT_EQ(run.exitCode, 0) << run.stderrText;
    return run.StdoutText();
  };
  EXPECT_FALSE(Contains(weekLater({}), "stale,PCTABLES")) << weekLater({});
  EXPECT_TRUE(Contains(weekLater({"--stale-days", "5"}), "\r\nstale,PCTABLES,yes,2026/12/03 09:00:")) << weekLater({"--stale-days", "5"});

  // The report writes the same files beside its pages, and links them.
  const std::string out = (c.dir / "report").string();
  ASSERT_EQ(RunConsole({"report", "--db", c.source, "--out", out}, {}, kNow).exitCode, 0);
  EXPECT_TRUE(Contains(ReadFile(c.dir / "report" / "problems.html"), "<a href=\"problems.csv\">problems.csv</a>"));
  EXPECT_TRUE(Contains(ReadFile(c.dir / "report" / "computers.html"), "<a href=\"drives.csv\">drives.csv</a>"));
  EXPECT_TRUE(Contains(ReadFile(c.dir / "report" / "software.html"), "<a href=\"software.csv.gz\">software.csv.gz</a>"));
  for (const char* table : {"computers", "drives", "changes", "problems"}) {
    EXPECT_EQ(ReadFile(c.dir / "report" / (std::string(table) + ".csv")),
              Show(c, {"--format", "csv", "--table", table}))
        << table;
  }
  // The software table, a row for every program of every computer, comes compressed.
  gzFile packed = gzopen((c.dir / "report" / "software.csv.gz").string().c_str(), "rb");
  ASSERT_NE(packed, nullptr);
  std::string unpacked;
  char chunk[4096];
  for (int n; (n = gzread(packed, chunk, sizeof chunk)) > 0;) unpacked.append(chunk, static_cast<std::size_t>(n));
  EXPECT_EQ(gzclose(packed), Z_OK);
  EXPECT_EQ(unpacked, Show(c, {"--format", "csv", "--table", "software"}));
}

// The files psqlODBC leaves in /tmp. Debian registers the driver with its communication
// log on, with which every program that closes its last connection leaves one: a scan
// of a thousand computers would leave a thousand.
std::set<std::string> DriverLogs() {
  std::set<std::string> logs;
  for (const auto& e : std::filesystem::directory_iterator("/tmp")) {
    if (e.path().filename().string().rfind("psqlodbc_", 0) == 0) logs.insert(e.path().filename().string());
  }
  return logs;
}

TEST(ConsoleShowTables, ChangesAndTablesOfAScannedLabOnPostgres) {
  KORVANE_SKIP_UNLESS_AVAILABLE(InventoryBackend::Postgres);
  const std::set<std::string> before = DriverLogs();
  ShowsTheFleetsChangesAndTables(ConsoleLab(PostgresDsn()),
                                 "TB" + std::to_string(getpid() % 100000) + "X" + std::to_string(time(nullptr) % 1000));
  std::vector<std::string> left;
  std::ranges::set_difference(DriverLogs(), before, std::back_inserter(left));
  EXPECT_EQ(left, std::vector<std::string>{}) << "the scans and views left driver logs in /tmp";
}

}  // namespace
}  // namespace korvane::test

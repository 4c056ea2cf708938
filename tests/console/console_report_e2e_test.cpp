// Three days of real scans into an SQLite inventory, then its report (opened in headless
// Chromium), its text views and its JSON and CSV views read by a parser of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "console/report/report_command.h"
#include "inventory/query_texts.h"
#include "platform/pinned_clock.h"
#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

const std::string kHostile = "<script>alert(\"x\")</script> & 'q'";

// Chromium, when the machine has it; CI installs it and asks for it.
std::string Chromium() {
  for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
    if (std::filesystem::exists(path)) return path;
  }
  return "";
}

ScanResult RunChromium(const TempDir& profile, std::vector<std::string> args) {
  args.insert(args.begin(), {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--hide-scrollbars",
                             "--user-data-dir=" + profile.str()});
  return RunScanner({.args = std::move(args), .env = {{"HOME", profile.str()}}, .channelFd = -1, .program = Chromium()});
}

// (date, MB) pairs in order of appearance.
std::vector<std::pair<std::string, std::string>> Pairs(const std::string& text, const std::regex& pattern) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::sregex_iterator i(text.begin(), text.end(), pattern), end; i != end; ++i) {
    pairs.emplace_back((*i)[1].str(), (*i)[2].str());
  }
  return pairs;
}

// The report is as of the clock it is given: that time heads the overview and the last
// answers fall into their classes by whole days before it, across a month's end.
TEST(ConsoleReport, IsAsOfTheTimeOfItsClock) {
  const Inventory inventory;
  for (const char* row : {"('PCTODAY', '2027/03/01 00:00:05')", "('PCYESTERDAY', '2027/02/28 23:59:59')",
                          "('PCWEEK', '2027/02/22 10:00:00')", "('PCEIGHT', '2027/02/21 10:00:00')",
                          "('PCMONTH', '2027/01/30 10:00:00')", "('PCOLD', '2027/01/29 10:00:00')",
                          "('PCNEVER', NULL)"}) {
    inventory.Execute(std::string("INSERT INTO LastAccess (Computer, LastAccessTime) VALUES ") + row);
  }
  TempDir dir;
  const auto out = dir / "report";
  PinnedClock clock(LocalTime{2027, 3, 1, 10, 0, 0});
  std::ostringstream said;
  ASSERT_EQ(console::RunReport({"--db", inventory.DataSource(), "--out", out.string()}, said, clock), 0);

  const std::string index = ReadFile(out / "index.html");
  EXPECT_TRUE(Contains(index, "Inventory as of 2027/03/01 10:00:"));
  for (const auto& [cls, count] : std::vector<std::pair<std::string, int>>{{"answered today", 1},
                                                                           {"answered within 7 days", 2},
                                                                           {"answered within 30 days", 2},
                                                                           {"answered longer ago", 1},
                                                                           {"never answered", 1}}) {
    EXPECT_TRUE(Contains(index, "<tr><td>" + cls + "</td><td class=\"num\">" + std::to_string(count) + "</td></tr>"));
  }
}

TEST(ConsoleReport, ThreeDaysOfScansReportedOpenedInABrowserAndExported) {
  ConsoleLab c;
  c.Add("PCOFF", R"({"echo": false})");
  // The first day's target list leaves PCOFF out; from the second day PCOK has twice the memory.
  const std::string list = (c.dir / "targets.txt").string();
  WriteFile(list, "# computers of the first floor\n\nPCOK   # the file server\n  pcok\nPCEVIL\n");
  const char* days[] = {"2026-12-01 09:00:00", "2026-12-02 09:00:00", "2026-12-03 09:00:00"};
  const char* free[] = {"12884901888", "11811160064", "10737418240"};
  for (int d = 0; d < 3; ++d) {
    c.Add("PCOK", FullComputerJson("PCOK", free[d], d == 0 ? "536281088" : "1072562176"));
    std::string evil = FullComputerJson("PCEVIL", free[2 - d]);
    evil.replace(evil.find("\"WinZip\""), 8, R"("<script>alert(\"x\")</script> & 'q'")");
    c.Add("PCEVIL", evil);
    const ScanResult scan = c.Scan({d == 0 ? "@" + list : "all"}, days[d]);
    ASSERT_EQ(scan.exitCode, 0) << scan.StdoutText() << scan.stderrText;
    if (d == 0) {
      EXPECT_TRUE(Contains(scan.StdoutText(), "2 scans: 2 complete"));
      EXPECT_TRUE(Contains(scan.StdoutText(), "Skipped 1 duplicate target (the same computer as an earlier "
                                              "target, letter case ignored): pcok"));
    }
  }
  const std::string out = (c.dir / "report").string();
  const ScanResult report = RunConsole({"report", "--db", c.source, "--out", out, "--title", "Lab & <co>"},
                                       {}, "2026-12-03 12:00:00");
  ASSERT_EQ(report.exitCode, 0) << report.stderrText;
  EXPECT_TRUE(Contains(report.StdoutText(), out + "/index.html"));

  const std::string index = ReadFile(c.dir / "report" / "index.html");
  for (const char* part : {"<title>Overview - Lab &amp; &lt;co&gt;</title>", "id=\"computer-count\">2<",
                           "answered today", "never answered"}) {
    EXPECT_TRUE(Contains(index, part));
  }
  // PCOK's C: lost 1 GB a day: it leads the trend table with 10 days left.
  EXPECT_TRUE(std::regex_search(index, std::regex(R"(PCOK</a></td><td>C:</td><td class="num">10.0 GB</td><td class="num">1.0 GB</td><td class="num">10 days)")))
      << index;
  // PCOK's page: its C: chart has a dated mark per day, the trend line and its "full in".
  std::smatch okPage;
  const std::string computers = ReadFile(c.dir / "report" / "computers.html");
  ASSERT_TRUE(std::regex_search(computers, okPage, std::regex(R"re(<a href="(computers/[^"]+)">PCOK</a>)re")));
  const std::string okDetail = ReadFile(c.dir / "report" / okPage[1].str());
  for (const char* tick : {">2026/12/01</text>", ">2026/12/02</text>", ">2026/12/03</text>"}) {
    EXPECT_TRUE(Contains(okDetail, tick)) << tick;
  }
  EXPECT_TRUE(Contains(okDetail, "<path class=\"trend\"")) << okDetail;
  EXPECT_TRUE(Contains(okDetail, "<div class=\"full-in\">full in about 10 days</div>")) << okDetail;
  // The census: WinZip on PCOK only, the hostile program on PCEVIL only, Office on both.
  const std::string census = ReadFile(c.dir / "report" / "software.html");
  std::smatch program;
  ASSERT_TRUE(std::regex_search(census, program, std::regex(R"re(<a href="(software/\d+\.html)">&lt;script&gt;alert\(&quot;x&quot;\)&lt;/script&gt; &amp; &#39;q&#39;</a></td><td class="num">1</td><td>9\.0 \(1\))re")))
      << census;
  EXPECT_TRUE(std::regex_search(census, std::regex(R"(>Microsoft Office Professional Edition 2003</a></td><td class="num">2</td><td>11\.0\.5614\.0 \(2\))")))
      << census;
  const std::string programPage = ReadFile(c.dir / "report" / program[1].str());
  EXPECT_TRUE(std::regex_search(programPage, std::regex(R"(<h2>Version 9\.0 \(1\)</h2>\n<p><a href=[0-9]+-PCEVIL\.html>PCEVIL</a></p>)")))
      << programPage;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(c.dir / "report")) {
    // The CSV files beside the pages are data for spreadsheets, not pages.
    if (entry.path().extension() == ".csv" || entry.path().extension() == ".gz") continue;
    const std::string page = ReadFile(entry.path());
    // The one script is the lists' own, inline; the hostile program name is text.
    const std::size_t script = page.find("<script");
    EXPECT_EQ(page.find("<script", script == std::string::npos ? script : script + 1), std::string::npos) << entry.path();
    EXPECT_EQ(page.find("<script>alert"), std::string::npos) << entry.path();
    EXPECT_EQ(page.find("<script src"), std::string::npos) << entry.path();
    EXPECT_EQ(page.find("http"), std::string::npos) << entry.path();  // nothing from the network
  }

  const ScanResult shown = RunConsole({"show", "--db", c.source});
  ASSERT_EQ(shown.exitCode, 0) << shown.stderrText;
  const std::string text = shown.StdoutText();
  EXPECT_TRUE(Contains(RowOf(shown, "PCOK"), "PCOK           CORP\\jsmith     Windows XP Professional SP2  2026/12/03"));
  EXPECT_TRUE(Contains(text, "2 programs, 1023 MB, 1 x Intel(R) Pentium(R) 4 CPU 2.80GHz"));
  EXPECT_TRUE(Contains(text, "C: 10.0 GB free of 37.3 GB"));
  for (const auto& line : shown.stdoutLines) EXPECT_LE(line.size(), 80u) << line;
  const std::string shownPcok = c.Show({"PCOK"});
  EXPECT_TRUE(std::regex_search(shownPcok, std::regex(R"(\n  2026/12/01 09:00:\d\d New Record Created\n)"))) << shownPcok;
  EXPECT_TRUE(std::regex_search(shownPcok, std::regex(R"(\n  2026/12/02 09:00:\d\d Physical Memory changed from 511 To 1023\n)")))
      << shownPcok;
  EXPECT_TRUE(Contains(shownPcok, "    2026/12/01 12288, 2026/12/02 11264, 2026/12/03 10240\n"));
  EXPECT_TRUE(Contains(shownPcok, "  Manufacturer       Dell Inc.\n  Model              OptiPlex GX270\n"));
  EXPECT_TRUE(Contains(shownPcok, "  Microsoft Office Professional Edition 2003                 11.0.5614.0\n"
                                  "      C:\\Program Files\\Microsoft Office\\  product ID 73931-640-0000106-57285\n"));
  const ScanResult missing = RunConsole({"show", "--db", c.source, "NOSUCHPC"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(Contains(missing.stderrText, "no computer NOSUCHPC"));

  // The machine-readable views of a pinned value, and one with a comma, quotes and a line break.
  InventoryAt(c.source).Execute(
      "UPDATE Asset SET Manufacturer = '^Pinned, Inc.', Model = 'Say \"hi\"' || char(13, 10) || 'bye' "
      "WHERE Computer = 'PCEVIL'");
  // What another client may store: infinite and undefined numbers, bytes that are not
  // UTF-8 and a NUL.
  InventoryAt(c.source).Execute(
      "UPDATE Asset SET Processor1ClockSpeed = 9e999, Processor2ClockSpeed = -9e999, "
      "Processor3ClockSpeed = 0.0 / 0.0, Domain = CAST(X'FF41' AS TEXT), OSVersion = CAST(X'350031' AS TEXT) "
      "WHERE Computer = 'PCEVIL'");

  const nlohmann::json j = nlohmann::json::parse(c.Show({"--format", "json", "PCEVIL"}));
  EXPECT_EQ(j["values"]["Manufacturer"], "Pinned, Inc.");
  EXPECT_EQ(j["values"]["Model"], "Say \"hi\"\r\nbye");
  EXPECT_EQ(j["values"]["TotalPhysicalMemory"], 511);
  EXPECT_EQ(j["values"]["Processor1ClockSpeed"], "Infinity");
  EXPECT_EQ(j["values"]["Processor2ClockSpeed"], "-Infinity");
  EXPECT_EQ(j["values"]["Domain"], "\xEF\xBF\xBD" "A");
  EXPECT_EQ(j["values"]["OSVersion"], std::string("5\0" "1", 3));
  EXPECT_EQ(j["pinned"], nlohmann::json::array({"Manufacturer"}));
  EXPECT_EQ(j["freeSpaceHistory"]["C"], nlohmann::json::parse(R"([{"date": "2026/12/01", "freeMB": 10240},
            {"date": "2026/12/02", "freeMB": 11264}, {"date": "2026/12/03", "freeMB": 12288}])"));
  EXPECT_EQ(j["history"][0]["kind"], "created");
  EXPECT_EQ(j["software"][1]["program"], kHostile) << j["software"].dump();
  EXPECT_EQ(j["services"], nlohmann::json::array({"Computer Browser"}));

  const nlohmann::json all = nlohmann::json::parse(c.Show({"--format", "json"}));
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]["Computer"], "PCEVIL");
  EXPECT_EQ(all[1]["Programs"], 2);

  // The CSV through Python's csv module, the reader spreadsheets agree with.
  WriteFile(c.dir / "all.csv", c.Show({"--format", "csv"}));
  const ScanOptions python{
      .args = {"-c", "import csv, json, sys; print(json.dumps(list(csv.reader(open(sys.argv[1], newline='')))))",
               (c.dir / "all.csv").string()},
      .channelFd = -1,
      .program = "/usr/bin/python3"};
  if (std::filesystem::exists(python.program)) {
    const ScanResult read = RunScanner(python);
    ASSERT_EQ(read.exitCode, 0) << read.stderrText;
    const nlohmann::json rows = nlohmann::json::parse(read.StdoutText());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "Computer");
    EXPECT_EQ(rows[1].size(), rows[0].size());
    EXPECT_EQ(std::vector<std::string>(rows[1].begin(), rows[1].begin() + 4),
              (std::vector<std::string>{"PCEVIL", "CORP\\jsmith", "^Pinned, Inc.", "Say \"hi\"\r\nbye"}));
  }

  if (Chromium().empty()) {
    if (std::getenv("KORVANE_REQUIRE_CHROMIUM") != nullptr) FAIL() << "chromium is not installed";
    GTEST_SKIP() << "the browser checks need chromium (scripts/test.sh installs it)";
  }
  TempDir profile;
  const ScanResult overview = RunChromium(profile, {"--dump-dom", "file://" + out + "/computers.html"});
  const std::string dom = overview.StdoutText();
  ASSERT_NE(dom.find("</html>"), std::string::npos) << overview.stderrText;
  EXPECT_TRUE(std::regex_search(dom, std::regex(R"re(<a href="computers/[^"]+">PCOK</a>)re")));
  std::smatch page;
  ASSERT_TRUE(std::regex_search(dom, page, std::regex(R"re(<a href="(computers/[^"]+)">PCEVIL</a>)re")));

  const std::string computerPage = out + "/" + page[1].str();
  const std::string detail = RunChromium(profile, {"--dump-dom", "file://" + computerPage}).StdoutText();
  ASSERT_NE(detail.find("</html>"), std::string::npos);
  // The hostile name is text, escaped in the serialised DOM (no page holds a script element).
  EXPECT_TRUE(Contains(detail, "&lt;script&gt;alert(\"x\")&lt;/script&gt; &amp; 'q'"));
  // One chart per drive with a history: a point for each stored entry, the first and the
  // latest named in its tooltip.
  const std::string stored = InventoryAt(c.source).Rows(DriveHistoryQuery("PCEVIL", "C")).at(0).at(1).text();
  const auto storedPoints = Pairs(stored, std::regex(R"(\^(\d{4}/\d\d/\d\d),(\d+))"));
  ASSERT_EQ(storedPoints.size(), 3u) << stored;
  EXPECT_TRUE(Contains(detail, "<title>Drive C: " + storedPoints[0].second + " MB free on " + storedPoints[0].first +
                                   ", " + storedPoints[2].second + " MB on " + storedPoints[2].first + " (3 entries)</title>"))
      << detail;
  std::smatch line;
  ASSERT_TRUE(std::regex_search(detail, line, std::regex(R"re(<polyline class="free" points="([^"]*)")re")));
  EXPECT_EQ(Pairs(line[1].str(), std::regex(R"((\d+),(\d+))")).size(), storedPoints.size());
  const std::regex chart("<svg class=\"chart\"");
  EXPECT_EQ(std::distance(std::sregex_iterator(detail.begin(), detail.end(), chart), std::sregex_iterator()), 1);

  const std::string shot = (c.dir / "computer.png").string();
  RunChromium(profile, {"--window-size=1100,900", "--screenshot=" + shot, "file://" + computerPage});
  // A page that renders blank compresses to about 5 KB, this one's text and charts to about 100 KB.
  EXPECT_GT(ReadFile(shot).size(), 20000u);
}

// The problems and changes pages of a scanned lab: a computer that stops answering, one
// that answers but cannot be read, one collected without WMI, and a computer renamed
// (its old name's record left behind with the same serial number); a change made between
// two scans.
TEST(ConsoleReport, ProblemsAndChangesOfAScannedLab) {
  ConsoleLab c;
  c.Add("PCOFF", R"({"echo": false})");
  c.Add("PCLOCKED", R"({"echo": true, "registry": {"access": "none"}})");
  std::string noWmi = FullComputerJson("PCNOWMI");
  noWmi.replace(noWmi.find("\"wmi\""), 5, "\"nowmi\"");
  // Windows 7: a scan without WMI stores only "6.1" as its name.
  noWmi.replace(noWmi.find("\"CurrentVersion\": \"5.1\""), 23, "\"CurrentVersion\": \"6.1\"");
  c.Add("PCNOWMI", noWmi);
  const char* days[] = {"2026-12-01 09:00:00", "2026-12-02 09:00:00", "2026-12-03 09:00:00"};
  for (int d = 0; d < 3; ++d) {
    // Renamed after the first day: the same machine answers under its new name.
    if (d == 0) c.Add("PCOLDNAME", FullComputerJson("PCOLDNAME"));
    if (d == 1) std::filesystem::remove(c.lab / "PCOLDNAME.json");
    if (d >= 1) {
      // With a CD in D: and a USB stick in E: that fills up: both stay out of the drive lists.
      std::string renamed = FullComputerJson("PCNEWNAME", "12884901888", d == 1 ? "536281088" : "1072562176");
      renamed.replace(renamed.find("\"A4B2C3D4\"}"), 11,
                      std::string(R"("A4B2C3D4"}, {"Caption": "D:", "DriveType": 5, "Size": "681574400", "FreeSpace": "0",
                           "VolumeName": "OFFICE11", "FileSystem": "CDFS", "VolumeSerialNumber": "0F1E2D3C"},
                          {"Caption": "E:", "DriveType": 2, "Size": "4026531840", "FreeSpace": ")") +
                          (d == 1 ? "104857600" : "10485760") +
                          R"(", "VolumeName": "USB STICK", "FileSystem": "FAT32", "VolumeSerialNumber": "1234ABCD"})");
      c.Add("PCNEWNAME", renamed);
    }
    const ScanResult scan = c.Scan({"all"}, days[d]);
    ASSERT_EQ(scan.exitCode, 0) << scan.StdoutText() << scan.stderrText;
  }
  const std::string out = (c.dir / "report").string();
  const ScanResult report = RunConsole({"report", "--db", c.source, "--out", out}, {}, "2026-12-03 12:00:00");
  ASSERT_EQ(report.exitCode, 0) << report.stderrText;
  const std::string problems = ReadFile(c.dir / "report" / "problems.html");
  const auto section = [&](const std::string& anchor) {
    const std::size_t at = problems.find("<h2 id=\"" + anchor + "\"");
    return at == std::string::npos ? std::string() : problems.substr(at, problems.find("<h2", at + 3) - at);
  };
  EXPECT_TRUE(Contains(section("not-answering"), "PCOFF"));
  EXPECT_TRUE(Contains(section("not-answering"), ">PCOLDNAME</a></td><td>2026/12/01 09:00:"));
  EXPECT_TRUE(Contains(section("no-access"), "PCLOCKED"));
  EXPECT_TRUE(Contains(section("without-wmi"), ">PCNOWMI</a>"));
  EXPECT_TRUE(std::regex_search(section("renamed"), std::regex(R"(>PCNEWNAME</a></td>.*\n.*>PCOLDNAME</a> <span class="muted">\(older name\?\))")))
      << section("renamed");
  EXPECT_EQ(section("not-answering").find("PCNEWNAME"), std::string::npos);
  const std::string index = ReadFile(c.dir / "report" / "index.html");
  EXPECT_TRUE(Contains(index, "<a href=\"problems.html#renamed\">Renamed?</a><div class=\"big\">2</div>"));
  // Only fixed drives among the fullest and the soonest full; the others are counted apart.
  const std::string drives = index.substr(index.find("<h2>Fullest drives</h2>"));
  EXPECT_FALSE(Contains(drives, "<td>E:</td>")) << drives;
  EXPECT_FALSE(Contains(drives, "<td>D:</td>")) << drives;
  EXPECT_TRUE(Contains(drives, ">PCNEWNAME</a></td><td>C:</td>")) << drives;
  EXPECT_TRUE(Contains(drives, "2 removable and CD drives are left out of these lists")) << drives;
  EXPECT_TRUE(Contains(drives, "no drive is losing space")) << drives;
  // A scan without WMI stores only the version number; it is shown with its name.
  EXPECT_TRUE(Contains(index, ">Windows 7 / Server 2008 R2 (6.1)<")) << index;
  const std::string list = ReadFile(c.dir / "report" / "computers.html");
  std::smatch newPage, noWmiPage;
  ASSERT_TRUE(std::regex_search(list, newPage, std::regex(R"re(<a href="(computers/[^"]+)">PCNEWNAME</a>)re")));
  ASSERT_TRUE(std::regex_search(list, noWmiPage, std::regex(R"re(<a href="(computers/[^"]+)">PCNOWMI</a>.*)re")));
  EXPECT_TRUE(Contains(noWmiPage[0].str(), "<td>Windows 7 / Server 2008 R2 (6.1)</td>")) << noWmiPage[0].str();
  EXPECT_TRUE(Contains(ReadFile(c.dir / "report" / noWmiPage[1].str()), "<tr><th>OS<td>Windows 7 / Server 2008 R2 (6.1)\n"));
  const std::string newName = ReadFile(c.dir / "report" / newPage[1].str());
  EXPECT_TRUE(Contains(newName, "<tr><td>D: (CD)</td><td>CDFS</td>")) << newName;
  EXPECT_TRUE(Contains(newName, "<tr><td>E: (removable)</td><td>FAT32</td>")) << newName;
  const std::string changes = ReadFile(c.dir / "report" / "changes.html");
  EXPECT_TRUE(std::regex_search(changes, std::regex(R"(<tr><td>2026/12/03 09:00:\d\d</td><td><a href="computers/[^"]+">PCNEWNAME</a></td><td>hardware</td><td>Physical Memory changed from 511 To 1023</td></tr>)")))
      << changes;

  if (Chromium().empty()) {
    if (std::getenv("KORVANE_REQUIRE_CHROMIUM") != nullptr) FAIL() << "chromium is not installed";
    GTEST_SKIP() << "the browser checks need chromium (scripts/test.sh installs it)";
  }
  TempDir profile;
  // The problems page as the browser reads it names each of them.
  const std::string problemsDom =
      RunChromium(profile, {"--dump-dom", "file://" + out + "/problems.html"}).StdoutText();
  for (const char* name : {"PCOFF", "PCLOCKED", "PCOLDNAME", "PCNEWNAME", "PCNOWMI"}) {
    EXPECT_TRUE(Contains(problemsDom, name));
  }
  // A filter (here from the address, as the overview's classes link) hides the other rows
  // of the computer list, and the filter box holds it.
  const std::string filtered = RunChromium(profile, {"--virtual-time-budget=3000", "--dump-dom",
                                                     "file://" + out + "/computers.html#q=newname"}).StdoutText();
  ASSERT_NE(filtered.find("</html>"), std::string::npos);
  EXPECT_TRUE(std::regex_search(filtered, std::regex(R"re(<tr data-classes="[^"]*"><td><a href="computers/[^"]+">PCNEWNAME)re")))
      << filtered;
  EXPECT_TRUE(std::regex_search(filtered, std::regex(R"re(<tr data-classes="[^"]*" hidden=""><td><a href="computers/[^"]+">PCNOWMI)re")))
      << filtered;
  EXPECT_TRUE(Contains(filtered, "<input type=\"search\" class=\"filter\""));

  // Every page fits a 400 pixel window: tables scroll inside themselves, the page does not.
  std::vector<std::string> pages{"index.html", "problems.html", "changes.html", "computers.html", "software.html"};
  for (const auto& entry : std::filesystem::directory_iterator(c.dir / "report" / "computers")) {
    pages.push_back("computers/" + entry.path().filename().string());
  }
  std::string frames;
  for (const std::string& p : pages) frames += "<iframe src=\"" + out + "/" + p + "\" width=\"400\" height=\"300\"></iframe>";
  WriteFile(c.dir / "widths.html",
            "<!DOCTYPE html><html><body>" + frames +
                "<pre id=\"w\"></pre><script>window.onload=function(){var t='';"
                "document.querySelectorAll('iframe').forEach(function(f){var d=f.contentDocument.documentElement;"
                "t+=f.getAttribute('src')+' '+d.scrollWidth+'\\n';});document.getElementById('w').textContent=t;};"
                "</script></body></html>");
  const std::string widths = RunChromium(profile, {"--allow-file-access-from-files", "--virtual-time-budget=5000",
                                                   "--dump-dom", "file://" + (c.dir / "widths.html").string()})
                                 .StdoutText();
  std::size_t measured = 0;
  const std::regex measure(R"((\S+\.html) (\d+)\n)");
  for (std::sregex_iterator i(widths.begin(), widths.end(), measure), end; i != end; ++i) {
    ++measured;
    EXPECT_LE(std::stoi((*i)[2].str()), 400) << (*i)[1].str();
  }
  EXPECT_EQ(measured, pages.size()) << widths;
  for (const char* page : {"problems", "changes"}) {
    RunChromium(profile, {"--window-size=900,700", "--screenshot=" + (c.dir / (std::string(page) + ".png")).string(),
                          "file://" + out + "/" + page + ".html"});
  }
  if (const char* shots = std::getenv("KORVANE_REPORT_SHOTS")) {
    for (const char* page : {"problems", "changes"}) {
      std::filesystem::copy_file(c.dir / (std::string(page) + ".png"), std::filesystem::path(shots) / (std::string("report-") + page + ".png"),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }
}

}  // namespace
}  // namespace korvane::test

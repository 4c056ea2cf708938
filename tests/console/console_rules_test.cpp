// The console's pure rules: progress and log lines, outcomes, targets, the stored texts
// taken apart for show and report, and escaping.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <set>
#include <tuple>

#include "console/rows/asset_row.h"
#include "console/text/escaping.h"
#include "console/text/inventory_text.h"
#include "lab/authoring/lab_random.h"
#include "console/scan/progress_view.h"
#include "console/report/report.h"
#include "console/report/report_overview.h"
#include "console/show/spilled_sort.h"
#include "console/scan/scan_command.h"
#include "console/scan/scan_log.h"
#include "console/scan/scan_outcome.h"
#include "console/scan/targets.h"
#include "inventory/query_texts.h"
#include "tests/support/inventory_fixture.h"
#include "tests/console/console_fixture.h"

namespace korvane::console {
namespace {

const std::string kS = "\xC2\xA7";  // the section sign

using Lines = std::vector<std::string>;

Outcome Classify(Lines lines, Lines log) {
  return ClassifyScan({.lines = std::move(lines), .exitCode = 0, .logLines = std::move(log), .computer = "PC01"});
}

TEST(ConsoleRules, StagesAndProgressBars) {
  for (const auto& [percent, stage] : std::vector<std::pair<double, std::string>>{
           {2, "ping"}, {4, "last access"}, {6, "WMI"}, {33, "WMI"}, {35, "software"}, {90, "software"}, {100, "database"}}) {
    EXPECT_EQ(StageOfPercent(percent), stage) << percent;
  }
  EXPECT_EQ(ProgressBar(55, 10), "[#####.....]");
  EXPECT_EQ(ProgressBar(150, 4), "[####]");
}

TEST(ConsoleRules, OutcomeOfAScan) {
  const std::string error = "2026/12/01 09:00:00,Error updating ";
  for (const auto& [lines, log, outcome] : std::vector<std::tuple<Lines, Lines, std::string>>{
           {{"PC01,2", "PC01,4", "PC01,Complete"}, {error + "last access database,PC01:no such table"},
            "gave up after 4%"},
           // Reconciliation reached 100 but failed.
           {{"PC01,2", "PC01,4", "PC01,100", "PC01,Complete"}, {error + "database,PC01:disk I/O error"},
            "gave up after 100%"},
           {{",Complete"}, {}, "gave up after 0%"},
           // Collected through the fallback: complete, and why WMI was not used.
           {{"PC01,2", "PC01,4", "PC01,100", "PC01,Complete"},
            {"2026/12/01 09:00:00,Unable to access WMI,PC01:The RPC server is unavailable."},
            "complete (no WMI: The RPC server is unavailable.)"}}) {
    EXPECT_EQ(OutcomeText(Classify(lines, log)), outcome);
  }
  // WMI gave up, and the log line names the computer WMI reported.
  const Outcome wmi = Classify({"PC01,2", "PC01,4", "PC01,6", "NEWNAME,20", "NEWNAME,Complete"},
                               {"2026/12/01 09:00:00,Problems with WMI,NEWNAME:WMI details false"});
  EXPECT_EQ(OutcomeText(wmi), "gave up after 20%");
  EXPECT_EQ(wmi.reportedName, "NEWNAME");
  EXPECT_EQ(wmi.detail, "Problems with WMI: WMI details false");
  const Outcome database = Classify({"PC01,2", "PC01,4", "PC01,Complete"}, {error + "last access database,PC01:no such table"});
  EXPECT_TRUE(database.databaseFailed);
  EXPECT_EQ(database.detail, "Error updating last access database: no such table");
}

// The failures come last, one section per kind naming the computers, then the counts;
// every computer only when asked; no text is cut.
TEST(ConsoleRules, SummaryPutsFailuresLast) {
  const auto row = [](std::string name, OutcomeKind kind, std::string detail) {
    SummaryRow r;
    r.computer = std::move(name);
    r.outcome.kind = kind;
    r.outcome.percent = 4;
    r.outcome.detail = std::move(detail);
    return r;
  };
  const std::vector<SummaryRow> rows = {
      row("PCOK", OutcomeKind::Complete, ""), row("PCOFF", OutcomeKind::NotAnswering, ""),
      row("A-VERY-LONG-COMPUTER-NAME-01", OutcomeKind::GaveUp,
          "Error updating last access database: the database file is locked, and more after that"),
      row("PCLOG", OutcomeKind::Unknown, "no room left in /tmp")};
  std::ostringstream brief;
  WriteSummary(brief, rows, 2, 4, "/tmp/DrevantaAssetDB.log", 1, 80, false);
  EXPECT_EQ(brief.str().find("PCOK"), std::string::npos) << brief.str();
  EXPECT_TRUE(test::Contains(brief.str(), "Not answering (1):\nPCOFF "));
  EXPECT_TRUE(test::Contains(brief.str(), "Gave up (1):\nA-VERY-LONG-COMPUTER-NAME-01 gave up after 4% "));
  EXPECT_TRUE(test::Contains(brief.str(), "Unknown (1):\nPCLOG"));
  EXPECT_TRUE(test::Contains(brief.str(), "unknown (log not written: no room left in /tmp)"));
  // The wrapped note, put together again, is whole.
  EXPECT_TRUE(test::Contains(std::regex_replace(brief.str(), std::regex("\n +"), " "),
                             "the database file is locked, and more after that"));
  EXPECT_EQ(brief.str().find('~'), std::string::npos) << brief.str();
  EXPECT_TRUE(test::Contains(brief.str(), "\n4 scans: 1 complete, 1 not answering, 1 gave up, 1 unknown\n"));
  std::ostringstream full;
  WriteSummary(full, rows, 2, 4, "/tmp/DrevantaAssetDB.log", 1, 80, true);
  EXPECT_TRUE(test::Contains(full.str(), "\nPCOK "));
}

TEST(ConsoleRules, AScansOwnLogBecomesOneRecordALineAboutItselfOnly) {
  const auto line = ParseLogLine("2026/12/01 09:00:00,Error connecting to SQL database,Provider=SQLOLEDB;Data Source=a,b x");
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->detail, "Provider=SQLOLEDB;Data Source=a,b x");
  EXPECT_FALSE(ParseLogLine("no commas").has_value());

  const ScanIdentity id{.computer = "EVIL", .commandLineTail = ",EVIL,/inv,",
                        .connectionString = "Provider=SQLOLEDB;Data Source=/inv;Initial Catalog=DrevantaAsset;"
                                            "Trusted_Connection=yes"};
  // Lines about this scan, in every form the scanner writes them, stay records of their own.
  const std::string own =
      "2026/12/01 09:00:00,Korvane.Form_Load,3,EVIL,/inv,:Type mismatch\n"
      "2026/12/01 09:00:00,EVIL:Object variable not set,ModGetWMI\r\n"
      "2026/12/01 09:00:01,Error connecting to SQL database," + id.connectionString + " unable to open\n"
      "2026/12/01 09:00:02,Error listing software,EVIL:Division by zero";
  EXPECT_EQ(ScanLogRecords(own, id).size(), 4u);

  // A renamed computer's name is trusted when every line from its first on carries it.
  EXPECT_EQ(TrustedReportedName({"OLD,2", "X,6", "PC02,6", "X,20", "PC02,20"}), "");
  EXPECT_EQ(TrustedReportedName({}), "");
}

TEST(ConsoleRules, TargetsFromNamesFilesAndLabs) {
  test::TempDir dir;
  test::WriteFile(dir / "PC03.json", "{}");
  test::WriteFile(dir / "ab.JSON", "{}");
  test::WriteFile(dir / "notes.txt", "");
  EXPECT_EQ(ExpandTargets({"PC09", "All"}, dir.str()), (std::vector<std::string>{"PC09", "ab", "PC03"}));
  for (const std::vector<std::string>& targets : std::vector<std::vector<std::string>>{
           {}, {"ALL"}, {"A,B"}, {"A\nB"}, {"@" + (dir / "missing").string()}}) {
    EXPECT_THROW(ExpandTargets(targets, ""), UsageError) << testing::PrintToString(targets);
  }
  // The same computer in another letter case, beyond ASCII too, is named once.
  std::vector<std::string> duplicates;
  EXPECT_EQ(ExpandTargets({"ÄRZTE-PC", "PC01", "ärzte-pc", "pc01", "ΣΟΦΊΑ", "σοφία", "Straße"}, "", &duplicates),
            (std::vector<std::string>{"ÄRZTE-PC", "PC01", "ΣΟΦΊΑ", "Straße"}));
  EXPECT_EQ(duplicates, (std::vector<std::string>{"ärzte-pc", "pc01", "σοφία"}));
  EXPECT_EQ(FoldComputerName("ÀÉÎÕÜ-ŁÓDŹ-ДОМ"), "àéîõü-łódź-дом");
}

// Two names are one target for the console exactly when the inventory's keyed query of
// one finds the row of the other: letters the console's fold once missed (Armenian,
// Ǆ, Ѡ, ẞ), and final sigma, long s, Kelvin sign and dotted I, which it folded where the
// inventory keeps two computers.
TEST(ConsoleRules, TargetsFoldAsTheInventoryKeys) {
  const std::vector<std::string> names = {
      "\xD4\xB1M", "\xD5\xA1m",  "\xC7\x84", "\xC7\x85", "\xC7\x86", "\xD1\xA0", "\xD1\xA1",
      "\xE1\xBA\x9E", "\xC3\x9F", "\xCE\x91\xCE\xA3", "\xCE\xB1\xCF\x82", "\xCE\xB1\xCF\x83",
      "\xC5\xBF", "s", "\xE2\x84\xAA", "k", "\xC4\xB0", "i", "\xC2\xB5", "\xCE\xBC", "\xC3\x84RZTE", "\xC3\xA4rzte"};
  const test::Inventory inventory;
  auto conn = inventory.Connect();
  for (const std::string& name : names) conn->OpenRecordset(kAllLastAccessQuery)->AddNew(Variant(name));
  for (const std::string& a : names) {
    std::set<std::string> found;
    auto rs = conn->OpenRecordset(LastAccessQuery(a));
    for (bool row = rs->RecordCount() > 0; row; row = rs->MoveNext()) found.insert(rs->Field(0).text());
    for (const std::string& b : names) {
      EXPECT_EQ(found.contains(b), FoldComputerName(a) == FoldComputerName(b)) << a << " and " << b;
      std::vector<std::string> duplicates;
      EXPECT_EQ(ExpandTargets({a, b}, "", &duplicates).size(), a == b || found.contains(b) ? 1u : 2u) << a << " " << b;
    }
  }

  const ScanCommandOptions o = ParseScanOptions({"--db", "/x", "-j", "3", "--timeout", "1.5", "PC01"});
  EXPECT_EQ(o.jobs, 3);
  EXPECT_DOUBLE_EQ(o.timeoutSeconds, 1.5);
  EXPECT_THROW(ParseScanOptions({"--db", "/x", "--jobs", "many"}), UsageError);
  EXPECT_THROW(ParseScanOptions({"--db", "/x", "--timeout", "-1"}), UsageError);
  EXPECT_THROW(ParseScanOptions({"--db", "/x", "--fast"}), UsageError);
}

TEST(ConsoleRules, TextsForPeople) {
  EXPECT_EQ(ShortOsName("Microsoft(R) Windows(R) Server 2003, Standard Edition", ""), "Windows Server 2003, Standard Edition");
  // A bare version, as a scan without WMI stores it, is named; a full name is kept.
  EXPECT_EQ(ShortOsName(NamedWindowsVersion("5.1"), "Service Pack 3"), "Windows XP (5.1) SP3");
  // A version this table does not know (4.0), or that is no major.minor, is kept.
  const std::pair<const char*, const char*> versions[] = {
      {"6.0", "Windows Vista / Server 2008 (6.0)"}, {"10.0", "Windows 10 / 11 / Server 2016 and later (10.0)"},
      {"6.1.7601", "Windows 7 / Server 2008 R2 (6.1.7601)"}, {"10.", "Windows 10 / 11 / Server 2016 and later (10.)"},
      {"6.", "6."}, {"4.0", "4.0"}, {"6.10", "6.10"}, {"61", "61"}, {".1", ".1"}, {"", ""},
      {"Windows 7 Professional", "Windows 7 Professional"}};
  for (const auto& [version, named] : versions) EXPECT_EQ(NamedWindowsVersion(version), named) << version;
  EXPECT_EQ(Column("Gr\xC3\xBC\xC3\x9F" "e", 6), "Gr\xC3\xBC\xC3\x9F" "e ");  // counted in characters
  // Never cut; aligned by the columns a terminal gives each character.
  EXPECT_EQ(Column("abcdefgh", 5), "abcdefgh");
  EXPECT_EQ(Column("\u0418\u0432\u0430\u043d", 6), "\u0418\u0432\u0430\u043d  ");  // Cyrillic
  EXPECT_EQ(Column("\u0531\u0580\u0561", 5), "\u0531\u0580\u0561  ");              // Armenian
  EXPECT_EQ(Column("\u5c71\u7530", 6), "\u5c71\u7530  ");                            // two wide characters
  EXPECT_EQ(DisplayWidth("e\u0301"), 1u);                                             // a combining accent
  // Drive kinds from what the inventory keeps of a drive: an old system disk in FAT32 is
  // fixed, a pinned file system counts in any case.
  for (const auto& [letter, system, kind] : std::vector<std::tuple<char, std::string, DriveKind>>{
           {'C', "NTFS", DriveKind::Fixed}, {'C', "FAT32", DriveKind::Fixed}, {'D', "NTFS", DriveKind::Fixed},
           {'E', "FAT32", DriveKind::Removable}, {'F', "exFAT", DriveKind::Removable},
           {'G', "^fat", DriveKind::Removable}, {'A', "", DriveKind::Removable}, {'D', "CDFS", DriveKind::CD},
           {'E', "UDF", DriveKind::CD}, {'D', "", DriveKind::Fixed}}) {
    EXPECT_EQ(KindOfDrive(letter, system), kind) << letter << system;
  }
  // A drive chart's time axis: a few readable dates however long the history.
  for (const auto& [last, ticks] : std::vector<std::pair<int, std::vector<int>>>{
           {102, {100, 101, 102}}, {104, {100, 101, 102, 103, 104}}, {105, {100, 102, 104}},
           {130, {100, 107, 114, 121, 128}}, {100, {100}}}) {
    EXPECT_EQ(ChartTicks(100, last), ticks) << last;
  }
  EXPECT_EQ(ChartTicks(0, 365 * 3).size(), 4u);
  EXPECT_LE(ChartTicks(0, 365 * 30).size(), 5u);
  EXPECT_EQ(DayText(0), "1970/01/01");
  for (const char* day : {"2026/12/01", "2028/02/29"}) EXPECT_EQ(DayText(*DayNumber(day)), day);
  for (const auto& [free, loss, text] : std::vector<std::tuple<double, double, std::string>>{
           {1000, 100, "full in about 10 days"}, {100, 100, "full in about 1 day"}, {10, 100, "full in about 0 days"},
           {1000, 0, ""}, {1000, -5, ""}}) {
    EXPECT_EQ(FullInText(free, loss), text) << free << " " << loss;
  }
  for (const auto& [days, text] : std::vector<std::pair<double, std::string>>{
           {0, "0 days"}, {0.4, "0 days"}, {1, "1 day"}, {1.3, "1 day"}, {1.6, "2 days"}, {2, "2 days"}}) {
    EXPECT_EQ(DaysText(days), text) << days;
  }
  EXPECT_EQ(ValueOrUnknown("512"), "512");
}

// Sorting through scratch runs gives what one stable sort in memory gives: ties across
// runs keep the order they were added in, and no scratch file is left.
TEST(ConsoleRules, SpilledSortOrdersLikeAStableSort) {
  const auto before = [](const SpilledSort::Record& x, const SpilledSort::Record& y) { return x[0] > y[0]; };
  std::vector<SpilledSort::Record> records;
  lab::authoring::LabRandom random(7);
  for (int i = 0; i < 500; ++i) records.push_back({std::to_string(random.Between(10, 29)), std::to_string(i)});
  const auto scratch = [] {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
      n += e.path().filename().string().rfind("korvane-sort-", 0) == 0;
    }
    return n;
  };
  const std::size_t before_files = scratch();
  for (std::size_t run : {std::size_t{7}, std::size_t{1000}}) {
    SpilledSort sort(before, run);
    for (const auto& r : records) sort.Add(r);
    std::vector<SpilledSort::Record> sorted;
    sort.Drain([&](const SpilledSort::Record& r) { sorted.push_back(r); });
    std::vector<SpilledSort::Record> expected = records;
    std::stable_sort(expected.begin(), expected.end(), before);
    EXPECT_EQ(sorted, expected) << run;
  }
  EXPECT_EQ(scratch(), before_files);
}

TEST(ConsoleRules, LabRandomFollowsItsWeights) {
  lab::authoring::LabRandom c(7);
  int seen[3] = {0, 0, 0};
  for (int i = 0; i < 3000; ++i) ++seen[c.Weighted({1, 0, 2})];
  EXPECT_EQ(seen[1], 0);
  EXPECT_GT(seen[2], seen[0]);
}

// The typed view of an Asset row takes each processor's and each drive's values from the
// columns the table gives them, and reads Null where a shorter row ends.
TEST(ConsoleRules, AssetRowReadsProcessorsAndDrivesFromTheirColumns) {
  Row row;
  for (int i = 0; i < asset::kColumnCount; ++i) row.push_back(Variant("c" + std::to_string(i)));
  const AssetRow a(row);
  const auto column = [](int ordinal) { return Variant("c" + std::to_string(ordinal)); };
  EXPECT_EQ(a[asset::kHistory], column(92));
  EXPECT_TRUE(a[asset::kColumnCount].IsNull());
  for (const auto& [n, name, speed] : std::vector<std::tuple<int, int, int>>{{1, 9, 10}, {2, 11, 12}, {4, 15, 16}}) {
    const StoredProcessor& p = a.Processors()[static_cast<std::size_t>(n - 1)];
    EXPECT_EQ(p.number, n);
    EXPECT_EQ(p.name, column(name));
    EXPECT_EQ(p.clockSpeed, column(speed));
  }
  // DriveJVolumeSerialNumber is the last of the slots, 90. (Drive C's six columns show in
  // the drives table of a scanned lab.)
  EXPECT_EQ(a.Drives().back().letter, 'J');
  EXPECT_EQ(a.Drives().back().volumeSerialNumber, column(90));

  row.resize(asset::DriveSlot(2) + asset::kDriveFreeSpace);
  const AssetRow cut(row);
  EXPECT_EQ(cut.Drive('C').size, column(44));
  EXPECT_TRUE(cut.Drive('C').freeSpace.IsNull());
  EXPECT_TRUE(cut.Drive('J').caption.IsNull());
}

// The console reaches the operating system only through its system room: no other file of
// it is compiled one way or another by the system it is built for.
TEST(ConsoleRules, OnlyTheSystemRoomDependsOnTheSystem) {
  const std::filesystem::path console = std::filesystem::path(KORVANE_SOURCE_DIR) / "console";
  const std::regex conditional(R"(^\s*#\s*(if|ifdef|ifndef|elif)\b.*(WIN32|_MSC_VER|__MINGW|__linux|__unix|__APPLE|_POSIX))");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(console)) {
    const std::string relative = std::filesystem::relative(entry.path(), console).generic_string();
    if (!entry.is_regular_file() || relative.rfind("system/", 0) == 0) continue;
    ++files;
    std::istringstream text(test::ReadFile(entry.path()));
    for (std::string line; std::getline(text, line);) {
      EXPECT_FALSE(std::regex_search(line, conditional)) << relative << ": " << line;
    }
  }
  EXPECT_GT(files, 20u);
}

// The census pages are the same however many links the report holds at once (also past its
// open scratch files); each version lists its computers in inventory order.
TEST(ConsoleRules, CensusPagesTheSameWhateverTheBatchSize) {
  const auto pages = [](std::size_t batchLinks) {
    test::TempDir dir;
    ReportOverview overview(dir.path(), ReportContext{.title = "t"}, batchLinks);
    for (int i = 0; i < 12; ++i) {
      ComputerRows c;
      Row row(120, Variant::Null());
      row[asset::kComputer] = Variant("PC" + std::to_string(i));
      c.asset = AssetRow(std::move(row));
      std::string& list = c.softwareList.emplace();
      for (int p = 0; p < 140 + i % 5; ++p) {
        list += "Program " + std::to_string(p) + kS + "1." + std::to_string((p + i) % 3) + "^";
      }
      if (i % 2) list += "Odd" + kS + "2.0";
      overview.Add(c, ComputerPageName(static_cast<std::size_t>(i) + 1, "PC" + std::to_string(i)));
    }
    overview.Finish();
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (e.is_regular_file()) files[std::filesystem::relative(e.path(), dir.path()).string()] = test::ReadFile(e.path());
    }
    return files;
  };
  const std::map<std::string, std::string> one = pages(std::size_t{1} << 20);
  const std::string& first = one.at("software/1.html");  // Program 0: 1.0 on PC0, PC3, PC6, PC9
  EXPECT_TRUE(test::Contains(first, "<h2>Version 1.0 (4)</h2>\n<p><a href=00001-PC0.html>PC0</a>, "
                                    "<a href=00004-PC3.html>PC3</a>, <a href=00007-PC6.html>PC6</a>, "
                                    "<a href=00010-PC9.html>PC9</a></p>"));
  for (std::size_t batch : {std::size_t{1}, std::size_t{7}, std::size_t{100}}) EXPECT_EQ(pages(batch), one) << batch;

  // A program on hundreds of computers names them without a link each: such a page
  // would outweigh the computers' own.
  test::TempDir dir;
  ReportOverview overview(dir.path(), ReportContext{.title = "t"});
  for (int i = 0; i < 201; ++i) {
    ComputerRows c;
    Row row(120, Variant::Null());
    row[asset::kComputer] = Variant("PC" + std::to_string(i));
    c.asset = AssetRow(std::move(row));
    c.softwareList = "Everywhere" + kS + "1.0";
    overview.Add(c, ComputerPageName(static_cast<std::size_t>(i) + 1, "PC" + std::to_string(i)));
  }
  overview.Finish();
  const std::string everywhere = test::ReadFile(dir.path() / "software" / "1.html");
  EXPECT_TRUE(test::Contains(everywhere, "<h2>Version 1.0 (201)</h2>\n<p>PC0, PC1, PC2, ")) << everywhere.substr(0, 2000);
  EXPECT_TRUE(test::Contains(everywhere, "Open one through the <a href=\"../computers.html\">Computers</a> list."));
}

// A CSV field is quoted when a reader would otherwise split or trim it: a comma, a
// quote, a carriage return, a line feed, a leading blank. Texts in pages are valid UTF-8
// with markup and controls escaped (JSON texts are read back by a parser end to end).
TEST(Escaping, EveryFormatQuotesOrEscapesWhatItMust) {
  for (const auto& [text, field] : std::vector<std::pair<std::string, std::string>>{
           {"plain", "plain"}, {"", ""}, {"trailing blank ", "trailing blank "}, {"inner blank", "inner blank"},
           {",", "\",\""}, {"\"", "\"\"\"\""}, {"a\rb", "\"a\rb\""}, {"\r", "\"\r\""}, {"a\nb", "\"a\nb\""},
           {" leading", "\" leading\""}, {"  two leading", "\"  two leading\""},
           {"\xFF,", "\"\xEF\xBF\xBD,\""}}) {  // not UTF-8: replaced, then quoted
    EXPECT_EQ(CsvField(text), field) << "[" << text << "]";
  }
  EXPECT_EQ(Html("bad \xFF byte\x01"), "bad \xEF\xBF\xBD byte");
  EXPECT_EQ(ValidUtf8("Gr\xC3\xBC\xC3\x9F" "e \xED\xA0\x80"), "Gr\xC3\xBC\xC3\x9F" "e \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  // Terminal text: controls other than tab and line feed are shown, not sent. A cell a
  // spreadsheet would run as a formula is made text, unless the raw values are asked for.
  EXPECT_EQ(TerminalText("a\tb\nc\x1b]52;c;x\x07\x7f\xc2\x9b" "d"), "a\tb\nc\\x1b]52;c;x\\x07\\x7f\\u009bd");
  for (const auto& [cell, raw, shown] : std::vector<std::tuple<std::string, bool, std::string>>{
           {"@SUM(1+1)*cmd|' /C calc'!A0", false, "'@SUM(1+1)*cmd|' /C calc'!A0"}, {"\tx", false, "'\tx"},
           {"plain", false, "plain"}}) {
    EXPECT_EQ(CsvCell(cell, raw), shown) << cell;
  }
}

}  // namespace
}  // namespace korvane::console

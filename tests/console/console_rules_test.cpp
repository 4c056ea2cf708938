// The console's pure rules: reading progress and log lines, deciding a scan's outcome,
// expanding targets, and taking the stored texts apart for `show`.
#include <gtest/gtest.h>

#include "console/inventory_text.h"
#include "lab/authoring/lab_random.h"
#include "console/progress_view.h"
#include "console/scan_command.h"
#include "console/scan_process.h"
#include "console/scan_outcome.h"
#include "console/targets.h"
#include "tests/support/temp_dir.h"

namespace korvane::console {
namespace {

using lab::authoring::LabRandom;

Outcome Classify(std::vector<std::string> lines, std::vector<std::string> log = {}, bool timedOut = false,
                 const std::string& computer = "PC01") {
  ScanFacts facts;
  facts.computer = computer;
  facts.lines = std::move(lines);
  facts.logLines = std::move(log);
  facts.timedOut = timedOut;
  facts.exitCode = 0;
  return ClassifyScan(facts);
}

TEST(ConsoleRules, ProgressLinesAndStages) {
  ProgressItem p = ParseProgressLine("PC01,52.6666666666667");
  EXPECT_EQ(p.computer, "PC01");
  ASSERT_TRUE(p.percent.has_value());
  EXPECT_DOUBLE_EQ(*p.percent, 52.6666666666667);
  EXPECT_FALSE(p.complete);
  p = ParseProgressLine("PC,01,Complete");  // a name with a comma keeps it
  EXPECT_EQ(p.computer, "PC,01");
  EXPECT_TRUE(p.complete);
  p = ParseProgressLine(",Complete");  // start-up failed before the name was known
  EXPECT_EQ(p.computer, "");
  EXPECT_TRUE(p.complete);
  EXPECT_FALSE(ParseProgressLine("PC01,12%").percent.has_value());
  EXPECT_FALSE(ParseProgressLine("garbage").complete);

  EXPECT_EQ(StageOfPercent(2), "ping");
  EXPECT_EQ(StageOfPercent(4), "last access");
  EXPECT_EQ(StageOfPercent(6), "WMI");
  EXPECT_EQ(StageOfPercent(33), "WMI");
  EXPECT_EQ(StageOfPercent(35), "software");
  EXPECT_EQ(StageOfPercent(90), "software");
  EXPECT_EQ(StageOfPercent(100), "database");
  EXPECT_EQ(ProgressBar(0, 10), "[..........]");
  EXPECT_EQ(ProgressBar(55, 10), "[#####.....]");
  EXPECT_EQ(ProgressBar(150, 4), "[####]");
}

TEST(ConsoleRules, OutcomeOfAScan) {
  const std::vector<std::string> full = {"PC01,2", "PC01,4", "PC01,6", "PC01,33", "PC01,35", "PC01,90", "PC01,100", "PC01,Complete"};
  EXPECT_EQ(OutcomeText(Classify(full)), "complete");
  // User-only refresh: no software lines, still complete.
  EXPECT_EQ(Classify({"PC01,2", "PC01,4", "PC01,6", "PC01,100", "PC01,Complete"}).kind, OutcomeKind::Complete);
  // The software stage gave up on itself and the scan went on: complete.
  EXPECT_EQ(Classify({"PC01,2", "PC01,4", "PC01,35", "PC01,40", "PC01,Complete", "PC01,90", "PC01,100", "PC01,Complete"}).kind,
            OutcomeKind::Complete);

  // Ended after the echo: the log tells not answering, no access and a database failure apart.
  const std::vector<std::string> afterEcho = {"PC01,2", "PC01,4", "PC01,Complete"};
  EXPECT_EQ(Classify(afterEcho).kind, OutcomeKind::NotAnswering);
  EXPECT_EQ(Classify(afterEcho, {"2026/12/01 09:00:00,Insufficient access or error accessing PC ,PC01:"}).kind,
            OutcomeKind::NoAccess);
  // Another computer's line, or one whose name merely begins the same, does not count.
  EXPECT_EQ(Classify(afterEcho, {"2026/12/01 09:00:00,Insufficient access or error accessing PC ,PC011:"}).kind,
            OutcomeKind::NotAnswering);
  const Outcome db = Classify(afterEcho, {"2026/12/01 09:00:00,Error updating last access database,PC01:no such table: LastAccess"});
  EXPECT_EQ(OutcomeText(db), "gave up after 4%");

  // Reconciliation failed: it reached 100 but logged a database error.
  EXPECT_EQ(OutcomeText(Classify(full, {"2026/12/01 09:00:00,Error updating database,PC01:disk I/O error"})),
            "gave up after 100%");
  // WMI gave up, and the log line names the computer WMI reported.
  const Outcome wmi = Classify({"PC01,2", "PC01,4", "PC01,6", "NEWNAME,20", "NEWNAME,Complete"},
                               {"2026/12/01 09:00:00,Problems with WMI,NEWNAME:WMI details false"});
  EXPECT_EQ(OutcomeText(wmi), "gave up after 20%");
  EXPECT_EQ(wmi.reportedName, "NEWNAME");
  EXPECT_EQ(wmi.detail, "Problems with WMI");
  EXPECT_EQ(OutcomeText(Classify({",Complete"})), "gave up after 0%");

  // No Complete line: died; killed by the console: timed out, whatever came before.
  EXPECT_EQ(OutcomeText(Classify({"PC01,2", "PC01,4", "PC01,6"})), "died after 6%");
  EXPECT_EQ(OutcomeText(Classify({}, {}, false)), "died after 0%");
  EXPECT_EQ(OutcomeText(Classify({"PC01,2", "PC01,52.5"}, {}, true)), "timed out after 52.5%");
}

TEST(ConsoleRules, LogLinesKeepCommasOfTheDetail) {
  const auto line = ParseLogLine("2026/12/01 09:00:00,Error connecting to SQL database,Provider=SQLOLEDB;Data Source=a,b x");
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->what, "Error connecting to SQL database");
  EXPECT_EQ(line->detail, "Provider=SQLOLEDB;Data Source=a,b x");
  EXPECT_FALSE(ParseLogLine("no commas").has_value());
  const auto mine = LogLinesOf({"t,A,PC01:x", "t,B,PC02:y", "t,C,PC01", "t,D,OLD:z\r"}, {"PC01", "OLD"});
  ASSERT_EQ(mine.size(), 2u);
  EXPECT_EQ(mine[0].what, "A");
  EXPECT_EQ(mine[1].detail, "OLD:z");
}

TEST(ConsoleRules, TargetsFromNamesFilesAndLabs) {
  test::TempDir dir;
  test::WriteFile(dir / "list.txt", "# first floor\n\n  PC01  \nPC02 # printer room\npc01\n\t\n");
  test::WriteFile(dir / "PC03.json", "{}");
  test::WriteFile(dir / "ab.JSON", "{}");
  test::WriteFile(dir / "notes.txt", "");
  EXPECT_EQ(ReadTargetFile((dir / "list.txt").string()), (std::vector<std::string>{"PC01", "PC02", "pc01"}));
  EXPECT_EQ(ExpandTargets({"@" + (dir / "list.txt").string(), "PC09", "pc02"}, ""),
            (std::vector<std::string>{"PC01", "PC02", "PC09"}));
  EXPECT_EQ(ExpandTargets({}, dir.str()), (std::vector<std::string>{"ab", "PC03"}));
  EXPECT_EQ(ExpandTargets({"PC09", "all"}, dir.str()), (std::vector<std::string>{"PC09", "ab", "PC03"}));
  EXPECT_THROW(ExpandTargets({}, ""), UsageError);
  EXPECT_THROW(ExpandTargets({"all"}, ""), UsageError);
  EXPECT_THROW(ExpandTargets({"A,B"}, ""), UsageError);
  EXPECT_THROW(ExpandTargets({"@" + (dir / "missing").string()}, ""), UsageError);

  const ScanCommandOptions o = ParseScanOptions({"--db", "/x", "-j", "3", "--timeout", "1.5", "--user-only", "PC01"});
  EXPECT_EQ(o.jobs, 3);
  EXPECT_DOUBLE_EQ(o.timeoutSeconds, 1.5);
  EXPECT_TRUE(o.userOnly);
  EXPECT_EQ(o.targets, std::vector<std::string>{"PC01"});
  EXPECT_THROW(ParseScanOptions({"--db", "/x", "--jobs", "many"}), UsageError);
  EXPECT_THROW(ParseScanOptions({"--db", "/x", "--timeout", "-1"}), UsageError);
  EXPECT_THROW(ParseScanOptions({"--db", "/x", "--fast"}), UsageError);
  EXPECT_EQ(ScannerCommandLine(3, "PC01", "/db", false), "3,PC01,/db,");
  EXPECT_EQ(ScannerCommandLine(1234, "PC01", "SQLSRV", true), "1234,PC01,SQLSRV,-u");
}

TEST(ConsoleRules, TextsForPeople) {
  EXPECT_EQ(ShortOsName("Microsoft Windows XP Professional", "Service Pack 2"), "Windows XP Professional SP2");
  EXPECT_EQ(ShortOsName("Microsoft(R) Windows(R) Server 2003, Standard Edition", ""), "Windows Server 2003, Standard Edition");
  EXPECT_EQ(SizeText(980), "980 MB");
  EXPECT_EQ(SizeText(12288), "12.0 GB");
  EXPECT_EQ(Column("Gr\xC3\xBC\xC3\x9F" "e", 6), "Gr\xC3\xBC\xC3\x9F" "e ");  // counted in characters
  EXPECT_EQ(Column("abcdefgh", 5), "abcd~");
}

TEST(ConsoleRules, LabRandomIsTheSameEverywhere) {
  LabRandom a(42);
  LabRandom b(42);
  // std::mt19937 seeded with 42 starts with this value on every conforming library.
  LabRandom fixed(42);
  EXPECT_EQ(fixed.Next(), 1608637542u);
  for (int i = 0; i < 1000; ++i) {
    const int64_t x = a.Between(-3, 7);
    EXPECT_EQ(x, b.Between(-3, 7));
    EXPECT_GE(x, -3);
    EXPECT_LE(x, 7);
  }
  LabRandom c(7);
  int seen[3] = {0, 0, 0};
  for (int i = 0; i < 3000; ++i) ++seen[c.Weighted({1, 0, 2})];
  EXPECT_EQ(seen[1], 0);
  EXPECT_GT(seen[2], seen[0]);
  EXPECT_EQ(LabRandom(1).Guid().size(), 38u);
}

}  // namespace
}  // namespace korvane::console

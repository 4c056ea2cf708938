// What the operator learns from the real console when things go wrong around it: a wrong
// inventory, a killed console, closed standard descriptors, a Temp without room, a shared
// log it cannot write; and a scanner stand-in that dies, hangs, floods its output or cannot
// be started, while the others must still be run and summarised.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "console/scan/scan_log.h"
#include "console/scan/scan_outcome.h"
#include "platform/database.h"
#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

TEST(ConsoleOperator, AWrongInventoryStopsTheRunAndADatabaseFailureFailsIt) {
  ConsoleLab c;
  c.Add("PCOK", FullComputerJson("PCOK"));
  const std::string typo = (c.dir / "inventroy").string();
  const ScanResult wrong = RunConsole({"scan", "--db", typo, "--lab", c.lab.str(), "PCOK"}, {{"Temp", c.dir.str()}});
  EXPECT_EQ(wrong.exitCode, 2) << wrong.StdoutText() << wrong.stderrText;
  EXPECT_TRUE(Contains(wrong.stderrText, "cannot open the inventory '" + typo + "'"));
  EXPECT_TRUE(Contains(wrong.stderrText, "korvane-console init-db " + typo));
  EXPECT_FALSE(Contains(wrong.StdoutText(), "started")) << "no scanner ran";
  EXPECT_FALSE(fs::exists(c.LogPath()));

  // An inventory that refuses the scan's rows is, and the note says why in full.
  InventoryAt(c.source).Execute("DROP TABLE Asset");
  const ScanResult refused = c.Scan({"PCOK"});
  EXPECT_EQ(refused.exitCode, 1) << refused.StdoutText() << refused.stderrText;
  EXPECT_TRUE(Contains(refused.StdoutText(), "Error updating database"));
  EXPECT_FALSE(Contains(refused.StdoutText(), "~"));
}

// However the console ends, its scanners end with it; what they logged reaches the shared
// log through the next run.
TEST(ConsoleOperator, AKilledConsoleLeavesNoScannerAndTheNextRunCollectsItsLines) {
  const ConsoleLab c;
  c.Add("PCOK", FullComputerJson("PCOK"));
  c.Add("HANG1", kLogsThenHangs);
  c.Add("HANG2", kLogsThenHangs);
  const std::string output = (c.dir / "out.txt").string();
  const pid_t console = StartConsole(c, {"--jobs", "3", "HANG1", "HANG2", "PCOK"}, output);
  ASSERT_GT(console, 0);
  // Both hanging scans have written their line (and then wait a minute).
  const auto logged = [&] { return RunLogsHolding(c, "Unable to access WMI"); };
  for (int i = 0; i < 300 && (logged() < 2 || ReadFile(output).find("PCOK: complete") == std::string::npos); ++i) {
    usleep(100000);
  }
  ASSERT_EQ(logged(), 2u) << ReadFile(output);
  ASSERT_EQ(ProcessesMentioning(c.source, console).size(), 2u) << ReadFile(output);
  kill(console, SIGKILL);
  EXPECT_EQ(WaitFor(console), kEndedBySignal + SIGKILL);
  for (int i = 0; i < 50 && !ProcessesMentioning(c.source, console).empty(); ++i) usleep(100000);
  EXPECT_EQ(ProcessesMentioning(c.source, console), std::vector<pid_t>{}) << "a scanner outlived its console";

  const ScanResult next = c.Scan({"PCOK"});
  EXPECT_EQ(next.exitCode, 0) << next.StdoutText() << next.stderrText;
  EXPECT_TRUE(Contains(next.StdoutText(), "Took over 1 run folder left by a console that ended without finishing: "
                                          "2 log lines of 3 scans moved to the error log"));
  const std::string log = ReadFile(c.LogPath());
  EXPECT_TRUE(Contains(log, ",Unable to access WMI,HANG1:Access is denied."));
  EXPECT_TRUE(Contains(log, ",Unable to access WMI,HANG2:Access is denied."));
  // Only the inventory, the log and the output are left.
  EXPECT_EQ(std::distance(fs::directory_iterator(c.dir.path()), {}), 3) << next.StdoutText();
}

TEST(ConsoleOperator, TheProgressChannelSurvivesClosedStandardDescriptors) {
  const ConsoleLab c;
  c.Add("PCOK", FullComputerJson("PCOK"));
  for (const std::vector<int>& closed : {std::vector<int>{STDIN_FILENO}, std::vector<int>{STDIN_FILENO, STDERR_FILENO}}) {
    SCOPED_TRACE(closed.size());
    const std::string output = (c.dir / "out.txt").string();
    const pid_t console = StartConsole(c, {"--list", "PCOK"}, output, closed);
    ASSERT_GT(console, 0);
    EXPECT_EQ(WaitFor(console), 0) << ReadFile(output);
    EXPECT_TRUE(std::regex_search(ReadFile(output), std::regex(R"(\nPCOK +complete)"))) << ReadFile(output);
  }
}

TEST(ConsoleOperator, TheConsoleSaysWhenItCannotKnow) {
  // A shared log it cannot append to is an error, not a silent drop.
  {
    const ConsoleLab c;
    c.Add("PCDENY", R"({"registry": {"access": "none"}})");
    fs::create_directory(c.LogPath());
    const ScanResult run = c.Scan({"PCDENY"});
    EXPECT_EQ(run.exitCode, 1) << run.StdoutText() << run.stderrText;
    EXPECT_TRUE(Contains(run.stderrText, "cannot append to the shared log " + c.LogPath()));
  }
  // A Temp without room for the scanners' logs stops the run before it starts (a small
  // file system of its own in a private mount namespace).
  {
    const ConsoleLab c;
    c.Add("PCOK", FullComputerJson("PCOK"));
    const fs::path full = c.dir / "full";
    fs::create_directory(full);
    const std::string output = (c.dir / "out.txt").string();
    const std::string command =
        "unshare -m sh -c 'mount --make-rprivate / && mount -t tmpfs -o size=256k tmpfs \"$1\" && "
        "Temp=\"$1\" exec \"$2\" scan --db \"$3\" --lab \"$4\" PCOK' sh " + full.string() + " " +
        ProgramPath("korvane-console") + " " + c.source + " " + c.lab.str() + " >" + output + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << ReadFile(output);
    EXPECT_TRUE(Contains(ReadFile(output), "the scanners' logs cannot be kept in " + full.string()));
    EXPECT_TRUE(Contains(ReadFile(output), "No scan was started"));
  }
  // A scan's own log that cannot be read leaves its outcome unknown, never a guess.
  {
    const TempDir dir;
    fs::create_directory(dir / "DrevantaAssetDB.log");
    const console::ScanLogFile log = console::ReadScanLog(dir.str());
    EXPECT_TRUE(Contains(log.problem, "cannot read " + (dir / "DrevantaAssetDB.log").string()));
    console::ScanFacts facts;
    facts.computer = "PC";
    facts.lines = {"PC,2", "PC,4", "PC,Complete"};
    facts.logProblem = "no room left in /t";
    EXPECT_EQ(console::OutcomeText(console::ClassifyScan(facts)), "unknown (log not written: no room left in /t)");
    EXPECT_TRUE(console::ReadScanLog((dir / "missing").string()).problem.find("could not be made") !=
                std::string::npos);
  }
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// show and report read an inventory they may not write: on a read-only mount, as a user
// without write access, and with a WAL file whose shared-memory file is gone.
TEST(ConsoleOperator, ShowAndReportReadAnInventoryTheyMayNotWrite) {
  const ConsoleLab c;
  c.Add("PCOK", FullComputerJson("PCOK"));
  ASSERT_EQ(c.Scan({"PCOK"}).exitCode, 0);
  // A row that is only in the WAL, copied without the shared-memory file.
  const fs::path copy = c.dir / "copy";
  fs::create_directory(copy);
  {
    const Inventory inventory = InventoryAt(c.source);
    const std::string file = c.source + "/DrevantaAsset.sqlite";
    std::unique_ptr<Connection> held = inventory.Connect();
    held->Execute("PRAGMA wal_autocheckpoint=0");
    held->Execute("INSERT INTO Asset (Computer, Manufacturer) VALUES ('PCWAL', 'Only in the WAL')");
    fs::copy_file(file, copy / "DrevantaAsset.sqlite");
    ASSERT_TRUE(fs::exists(file + "-wal"));
    fs::copy_file(file + "-wal", copy / "DrevantaAsset.sqlite-wal");
  }
  ASSERT_FALSE(fs::exists(copy / "DrevantaAsset.sqlite-shm"));
  const fs::path pages = c.dir / "pages";
  fs::create_directory(pages);
  for (const fs::path& p : {c.dir.path(), copy, pages}) {
    fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec);
  }
  ASSERT_EQ(chown(pages.c_str(), 65534, 65534), 0);
  const std::string console = ProgramPath("korvane-console");
  const std::string output = (c.dir / "out.txt").string();
  const std::string readOnly = "unshare -m sh -c 'mount --make-rprivate / && mount --bind \"$1\" \"$1\" && "
                               "mount -o remount,ro,bind \"$1\" && \"$2\" show --db \"$1\" && "
                               "\"$2\" report --db \"$1\" --out \"$3\"' sh " +
                               copy.string() + " " + console + " " + (c.dir / "report-root").string();
  EXPECT_EQ(Shell(readOnly + " >" + output + " 2>&1"), 0) << ReadFile(output);
  EXPECT_TRUE(Contains(ReadFile(output), "PCWAL"));
  EXPECT_TRUE(Contains(ReadFile(output), "PCOK"));
  const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  // A copy the unprivileged user can reach wherever the build lies (a home of mode 700).
  const fs::path ownCopy = c.dir / "korvane-console";
  fs::copy_file(console, ownCopy);
  fs::permissions(ownCopy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(Shell(nobody + ownCopy.string() + " show --db " + copy.string() + " PCWAL >" + output + " 2>&1"), 0)
      << ReadFile(output);
  EXPECT_TRUE(Contains(ReadFile(output), "Only in the WAL"));
  EXPECT_EQ(Shell(nobody + ownCopy.string() + " report --db " + copy.string() + " --out " + (pages / "r").string() + " >" +
                  output + " 2>&1"),
            0)
      << ReadFile(output);
  // Nothing was written next to the inventory.
  EXPECT_EQ(std::distance(fs::directory_iterator(copy), {}), 2);
}

// Texts from a hostile computer are inert on the terminal and in a spreadsheet; the report
// writes only where it wrote before, never through a planted link, and drops stale pages.
TEST(ConsoleOperator, ShownTextsAndReportFoldersAreSafe) {
  const ConsoleLab c;
  InventoryAt(c.source).Execute(
      "INSERT INTO Asset (Computer, TotalPhysicalMemory, Manufacturer, UserName) VALUES ('PCHOSTILE', 0, '=HYPERLINK(\"http://x\")', "
      "'evil' || char(27) || ']52;c;aGk=' || char(7) || char(155) || '2J')");
  const std::string shown = c.Show({"PCHOSTILE"});
  EXPECT_TRUE(Contains(shown, "evil\\x1b]52;c;aGk=\\x07\\u009b2J"));
  EXPECT_EQ(shown.find('\x1b'), std::string::npos);
  // What was not read is unknown, not 0.
  EXPECT_TRUE(Contains(shown, " total unknown, free unknown,"));
  EXPECT_TRUE(Contains(shown, "Services: unknown"));
  EXPECT_TRUE(Contains(c.Show({"--format", "CSV"}), "\"'=HYPERLINK(\"\"http://x\"\")\""));
  EXPECT_TRUE(Contains(c.Show({"--format", "csv", "--raw"}), ",\"=HYPERLINK(\"\"http://x\"\")\""));

  const auto report = [&](const std::string& out) { return RunConsole({"report", "--db", c.source, "--out", out}); };
  // Refused: a file, a folder it did not write, a link.
  const fs::path file = c.dir / "file.html";
  WriteFile(file, "keep");
  const fs::path foreign = c.dir / "foreign";
  fs::create_directory(foreign);
  const fs::path link = c.dir / "link";
  fs::create_directory_symlink(foreign, link);
  for (const auto& [out, said] : std::vector<std::pair<fs::path, std::string>>{
           {file, "is a file, not a folder"}, {foreign, "is a folder this command did not write"},
           {link, "is a symbolic link"}}) {
    const ScanResult refused = report(out.string());
    EXPECT_EQ(refused.exitCode, 2) << out;
    EXPECT_TRUE(Contains(refused.stderrText, "--out " + out.string() + " " + said));
  }
  EXPECT_EQ(ReadFile(file), "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(foreign), {}), 0);

  // A new folder, then the same again: a link planted in it is replaced, not followed,
  // and a page the new report does not write is gone.
  const fs::path pages = c.dir / "pages";
  ASSERT_EQ(report(pages.string()).exitCode, 0);
  EXPECT_TRUE(fs::exists(pages / ".korvane-report"));
  const fs::path victim = c.dir / "victim";
  WriteFile(victim, "secret");
  fs::remove(pages / "index.html");
  fs::create_symlink(victim, pages / "index.html");
  WriteFile(pages / "computers" / "stale.html", "old");
  const ScanResult again = report(pages.string());
  ASSERT_EQ(again.exitCode, 0) << again.stderrText;
  EXPECT_EQ(ReadFile(victim), "secret");
  EXPECT_FALSE(fs::is_symlink(pages / "index.html"));
  EXPECT_FALSE(fs::exists(pages / "computers" / "stale.html"));
  EXPECT_TRUE(Contains(ReadFile(pages / "computers.html"), "PCHOSTILE"));
  for (const auto& page : fs::directory_iterator(pages / "computers")) {
    EXPECT_TRUE(Contains(ReadFile(page.path()), "<th>Physical<td class=\"muted\">unknown\n"));
    EXPECT_TRUE(Contains(ReadFile(page.path()), "Services (unknown)"));
  }
}

// The stand-in records its command line and which descriptors it was given, then acts
// on the computer name it was started for.
constexpr const char* kFakeScanner = R"(#!/bin/sh
rest=${1#*,}
name=${rest%%,*}
echo "$1" >> "$RECORD/args"
for fd in 4 5 6 7 8 9 47; do
  if [ -e /dev/fd/$fd ]; then echo "$name:$fd" >> "$RECORD/leaked"; fi
done
case "$name" in
  DIE)   echo "$name,2" >&3; echo "segment fault in the stand-in, and a long tale of why that goes on and on and on" >&2; exit 3 ;;
  HANG)  echo "$name,2" >&3; exec sleep 60 ;;
  NOISY) i=0; while [ $i -lt 2000 ]; do echo "noise noise noise noise noise noise noise"; i=$((i+1)); done
         echo "$name,2" >&3; echo "$name,4" >&3; echo "$name,100" >&3; echo "$name,Complete" >&3 ;;
  NEW)   echo "$name,2" >&3; echo "$name,4" >&3; echo "RENAMED,6" >&3; echo "RENAMED,100" >&3; echo "RENAMED,Complete" >&3 ;;
  *)     echo "$name,2" >&3; echo "$name,4" >&3; echo "$name,100" >&3; printf "$name,Complete" >&3 ;;
esac
)";

// The stand-in, next to an inventory the console can open before it starts any scan.
std::string WriteFakeScanner(const TempDir& dir) {
  EXPECT_EQ(RunConsole({"init-db", dir.str()}).exitCode, 0);
  const std::string path = (dir / "fake-korvane").string();
  WriteFile(path, kFakeScanner);
  chmod(path.c_str(), 0755);
  return path;
}

TEST(ConsoleProcesses, CommandLineChannelAndOutcomesOfMisbehavingScanners) {
  TempDir dir;
  const std::string scanner = WriteFakeScanner(dir);
  // A descriptor the console inherits without close-on-exec must not reach a scanner.
  ASSERT_EQ(dup2(STDERR_FILENO, 47), 47);

  const ScanResult run = RunConsole({"scan", "--db", dir.str(), "--scanner", scanner, "--timeout", "2", "--jobs", "3",
                                     "--user-only", "--list", "OK", "DIE", "HANG", "NOISY", "NEW"},
                                    {{"Temp", dir.str()}, {"RECORD", dir.str()}});
  close(47);
  ASSERT_EQ(run.exitCode, 1) << run.StdoutText() << run.stderrText;

  for (const auto& [name, outcome] : std::vector<std::pair<std::string, std::string>>{
           {"OK", "complete"}, {"NOISY", "complete"}, {"DIE", "died after 2%"},
           {"DIE", "exit status 3: segment fault"}, {"HANG", "timed out after 2%"}, {"NEW", "reported as RENAMED"}}) {
    EXPECT_TRUE(Contains(RowOf(run, name), outcome));
  }
  EXPECT_TRUE(Contains(run.StdoutText(), "5 scans: 3 complete, 1 timed out, 1 died"));
  EXPECT_TRUE(Contains(run.StdoutText(), "Elapsed "));
  for (const auto& line : run.stdoutLines) EXPECT_LT(line.size(), 80u) << "the summary fits 80 columns: " << line;

  // Field 1 is the channel's descriptor number, field 3 the source, and -u the switch.
  const std::string args = ReadFile(dir / "args");
  for (const char* name : {"OK", "DIE", "HANG", "NOISY", "NEW"}) {
    EXPECT_TRUE(Contains(args, "3," + std::string(name) + "," + dir.str() + ",-u\n"));
  }
  EXPECT_EQ(ReadFile(dir / "leaked"), "");
}

TEST(ConsoleProcesses, OnATerminalRunningScansAreRedrawnInPlace) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs script(1) for a terminal";
  TempDir dir;
  const std::string command = ProgramPath("korvane-console") + " scan --db " + dir.str() + " --scanner " +
                              WriteFakeScanner(dir) + " PC01 HANG --timeout 1";
  const ScanResult result = RunScanner({.args = {"-qec", command, "/dev/null"},
                                        .env = {{"Temp", dir.str()}, {"RECORD", dir.str()}}, .channelFd = -1,
                                        .program = "script"});
  EXPECT_EQ(result.exitCode, 1);
  const std::string text = result.StdoutText();
  // Live lines: a bar per running scan, the cursor moved back up to redraw them.
  EXPECT_TRUE(Contains(text, "HANG                     [....................] 2%   ping"));
  // A finished scan leaves one line above the live ones.
  EXPECT_TRUE(Contains(text, "PC01                     complete"));
  EXPECT_TRUE(Contains(text, "F\x1b[J"));
  // The overall line counts the outcomes so far and estimates the time left.
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(1/2 done, about \d+ s left \(1 complete\), 1 running, 0 waiting)"))) << text;
  EXPECT_TRUE(Contains(text, "2 scans: 1 complete, 1 timed out"));
  EXPECT_EQ(text.find("] PC01: "), std::string::npos) << "plain lines on a terminal";
}

TEST(ConsoleProcesses, ScansThatCannotStartAreSummarisedAndTheOthersRun) {
  // Out of descriptors after a few scanners: the later ones cannot get their pipes.
  TempDir dir;
  const ScanResult run = RunScanner({.args = {"--nofile=16:16", ProgramPath("korvane-console"), "scan", "--db",
                                              dir.str(), "--scanner", WriteFakeScanner(dir), "--jobs", "8", "A", "B",
                                              "C", "D", "E", "F", "G", "H"},
                                     .env = {{"Temp", dir.str()}, {"RECORD", dir.str()}}, .channelFd = -1,
                                     .program = "prlimit"});
  EXPECT_EQ(run.exitCode, 1) << run.stderrText;
  const std::string text = run.StdoutText();
  EXPECT_TRUE(Contains(text, "died after 0%        0.0 s   could not start: Too many\n"));
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n8 scans: [1-7] complete, [1-7] died\n)"))) << text;
}

}  // namespace
}  // namespace korvane::test

// The console's process handling, with a scanner stand-in that behaves badly on
// purpose: it dies half-way, hangs with its channel open, floods its output or cannot be
// started at all, while the others must still be read, started and summarised.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

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

std::string WriteFakeScanner(const TempDir& dir) {
  const std::string path = (dir / "fake-korvane").string();
  WriteFile(path, kFakeScanner);
  chmod(path.c_str(), 0755);
  return path;
}

TEST(ConsoleProcesses, CommandLineChannelAndOutcomesOfMisbehavingScanners) {
  TempDir dir;
  const std::string scanner = WriteFakeScanner(dir);
  // A descriptor the console inherits without close-on-exec must not reach a scanner.
  const int stray = open("/dev/null", O_RDONLY);
  ASSERT_GE(stray, 0);
  ASSERT_EQ(dup2(stray, 47), 47);

  const ConsoleRun run = RunConsole({"scan", "--db", dir.str(), "--scanner", scanner, "--timeout", "2", "--jobs", "3",
                                     "--user-only", "OK", "DIE", "HANG", "NOISY", "NEW"},
                                    {{"Temp", dir.str()}, {"RECORD", dir.str()}});
  close(47);
  close(stray);
  ASSERT_EQ(run.exitCode, 1) << run.Text() << run.err;

  EXPECT_NE(run.RowOf("OK").find("complete"), std::string::npos) << run.Text();
  EXPECT_NE(run.RowOf("NOISY").find("complete"), std::string::npos) << run.Text();
  const std::string died = run.RowOf("DIE");
  EXPECT_NE(died.find("died after 2%"), std::string::npos) << run.Text();
  EXPECT_NE(died.find("exit status 3: segment fault"), std::string::npos) << died;
  EXPECT_NE(run.RowOf("HANG").find("timed out after 2%"), std::string::npos) << run.Text();
  EXPECT_NE(run.RowOf("NEW").find("reported as RENAMED"), std::string::npos) << run.Text();
  EXPECT_NE(run.Text().find("5 scans: 3 complete, 1 timed out, 1 died"), std::string::npos) << run.Text();
  EXPECT_NE(run.Text().find("Elapsed "), std::string::npos) << run.Text();
  for (const auto& line : run.out) EXPECT_LT(line.size(), 80u) << "the summary fits 80 columns: " << line;

  // Field 1 is the channel's descriptor number, field 3 the source, and -u the switch.
  const std::string args = ReadFile(dir / "args");
  for (const char* name : {"OK", "DIE", "HANG", "NOISY", "NEW"}) {
    EXPECT_NE(args.find("3," + std::string(name) + "," + dir.str() + ",-u\n"), std::string::npos) << args;
  }
  EXPECT_EQ(ReadFile(dir / "leaked"), "");
}

TEST(ConsoleProcesses, OnATerminalRunningScansAreRedrawnInPlace) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs script(1) for a terminal";
  TempDir dir;
  const std::string scanner = WriteFakeScanner(dir);
  ScanOptions options;
  options.program = "script";
  options.args = {"-qec", ProgramPath("korvane-console") + " scan --db " + dir.str() + " --scanner " + scanner + " PC01 HANG --timeout 1", "/dev/null"};
  options.env = {{"Temp", dir.str()}, {"RECORD", dir.str()}};
  options.channelFd = -1;
  const ScanResult result = RunScanner(options);
  EXPECT_EQ(result.exitCode, 1);
  std::string text;
  for (const auto& line : result.stdoutLines) text += line + "\n";
  // Live lines: a bar per running scan, the cursor moved back up to redraw them.
  EXPECT_NE(text.find("HANG                     [....................] 2%   ping"), std::string::npos) << text;
  // A finished scan leaves one line above the live ones.
  EXPECT_NE(text.find("PC01                     complete"), std::string::npos) << text;
  EXPECT_NE(text.find("\x1b[J"), std::string::npos) << text;
  EXPECT_NE(text.find("F\x1b[J"), std::string::npos) << text;
  EXPECT_NE(text.find("2 scans: 1 complete, 1 timed out"), std::string::npos) << text;
  EXPECT_EQ(text.find("] PC01: "), std::string::npos) << "plain lines on a terminal";
}

TEST(ConsoleProcesses, ScansThatCannotStartAreSummarisedAndTheOthersRun) {
  // Out of descriptors after a few scanners: the later ones cannot get their pipes.
  TempDir dir;
  ScanOptions options;
  options.program = "prlimit";
  options.args = {"--nofile=16:16", ProgramPath("korvane-console"), "scan", "--db", dir.str(), "--scanner",
                  WriteFakeScanner(dir), "--jobs", "8", "A", "B", "C", "D", "E", "F", "G", "H"};
  options.env = {{"Temp", dir.str()}, {"RECORD", dir.str()}};
  options.channelFd = -1;
  const ScanResult run = RunScanner(options);
  EXPECT_EQ(run.exitCode, 1) << run.stderrText;
  std::string text;
  for (const auto& line : run.stdoutLines) text += line + "\n";
  EXPECT_NE(text.find("died after 0%        0.0 s   could not start: Too many op"), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n8 scans: [1-7] complete, [1-7] died\n)"))) << text;
}

TEST(ConsoleProcesses, UsageErrorsExitWithTwo) {
  TempDir dir;
  EXPECT_EQ(RunConsole({}).exitCode, 2);
  EXPECT_EQ(RunConsole({"frobnicate"}).exitCode, 2);
  EXPECT_EQ(RunConsole({"init-db"}).exitCode, 2);
  EXPECT_EQ(RunConsole({"scan", "PC01"}).exitCode, 2);                                // no --db
  EXPECT_EQ(RunConsole({"scan", "--db", dir.str()}).exitCode, 2);                      // no targets, no lab
  EXPECT_EQ(RunConsole({"scan", "--db", dir.str(), "--jobs", "0", "PC01"}).exitCode, 2);
  EXPECT_EQ(RunConsole({"scan", "--db", "a,b", "PC01"}).exitCode, 2);                  // comma in source
  EXPECT_EQ(RunConsole({"scan", "--db", dir.str(), "@" + (dir / "none.txt").string()}).exitCode, 2);
  EXPECT_EQ(RunConsole({"lab-create", (dir / "lab").string()}).exitCode, 2);          // no --computers
}

}  // namespace
}  // namespace korvane::test

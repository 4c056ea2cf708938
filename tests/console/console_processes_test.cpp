// The console's process handling, with a scanner stand-in that dies, hangs, floods its
// output or cannot be started, while the others must still be run and summarised.
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

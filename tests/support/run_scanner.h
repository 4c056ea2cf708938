// Runs the real korvane executable the way the console does: the command line as its
// argument, a pipe of its own whose descriptor number is field 1, and an environment
// naming the lab and the Temp directory. Collects the progress lines, standard output,
// standard error and the exit status.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

inline constexpr int kChannelFd = 3;

struct ScanOptions {
  // Passed to the scanner as its arguments (the command line is their join with blanks).
  std::vector<std::string> args;
  // Replace variables of the same name in any letter case; all else is inherited except
  // "Temp" and "KORVANE_LAB", which are removed unless given here.
  std::map<std::string, std::string> env;
  // When set, the scanner runs under faketime from this time ("2003-02-14 09:05:30").
  std::optional<std::string> fakeTime;
  // The descriptor number the progress pipe gets in the scanner; -1 for none at all.
  int channelFd = kChannelFd;
  // Close the reading end before the scanner writes (a console that went away).
  bool closeReader = false;
  // Default: the built korvane.
  std::string program;
  // Called with the scanner's process id for each progress line as it arrives, so a
  // test can act (stop, kill, pull the database away) at a known point of the scan.
  std::function<void(pid_t, const std::string&)> onProgress;
};

struct ScanResult {
  int exitCode = -1;      // exit status, or -1 when ended by a signal
  int signal = 0;         // the signal that ended it
  std::vector<std::string> progress;  // lines read from the channel, without newlines
  std::vector<std::string> stdoutLines;
  std::string stderrText;
  // The standard output lines, each ended by a newline.
  std::string StdoutText() const;
};

ScanResult RunScanner(const ScanOptions& options);

// "3," & computer & "," & server & "," & suffix : the usual command line.
std::string ScanCommandLine(const std::string& computer, const std::string& server,
                            const std::string& suffix = "");

// The usual scan of `computer` into `server`, with the lab in `lab` (none when empty) and
// the log in `temp`; `options` adds the rest.
ScanResult ScanFromLab(const std::string& computer, const std::string& server, const std::string& lab,
                       const std::string& temp, ScanOptions options = {}, const std::string& suffix = "");

// The lines of the scan log in `temp` without their time; none when there is no log.
std::vector<std::string> LogTexts(const std::filesystem::path& temp);

// Path of a built program (korvane, korvane-console).
std::string ProgramPath(const std::string& name);

}  // namespace korvane::test

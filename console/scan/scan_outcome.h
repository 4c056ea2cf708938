// What became of one scan, decided from what the console saw: the progress lines of the
// scanner, how its process ended, whether the console killed it at its time-out, and
// the lines of the scan's own error log.
//
// The rules, in order:
//   0. stopped because the console was interrupted     -> interrupted (after the last %)
//   1. killed at the time-out                          -> timed out (after the last %)
//   2. no "Complete" line at all                       -> died (after the last %)
//   3. last percentage 100, then "Complete"            -> complete, unless the log holds
//      "Error updating database": gave up after 100%.
//   4. last percentage 4, then "Complete": the scan stopped after the echo and the
//      last-access record. The log tells why: "Insufficient access or error accessing
//      PC " for this computer -> no access; "Error updating last access database" ->
//      gave up after 4%; neither -> not answering (a computer that does not answer
//      leaves no log line).
//   5. anything else ending in "Complete"              -> gave up after the last %.
// Rules 3 to 5 read the scan's own log; when that log could not be written or read the
// console cannot tell, and says so: unknown (log not written: REASON).
// "Complete" lines in the middle (the software stage gives up on itself and the scan
// goes on) do not end the scan: the last percentage before the last "Complete" counts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvane::console {

// The stage a scan is in after reporting this percentage.
std::string StageOfPercent(double percent);

enum class OutcomeKind { Complete, NotAnswering, NoAccess, GaveUp, TimedOut, Died, Interrupted, Unknown };

struct ScanFacts {
  std::vector<std::string> lines;   // progress lines in order
  bool timedOut = false;
  bool interrupted = false;
  int exitCode = -1;
  int signal = 0;
  std::vector<std::string> logLines;  // the records of the scan's own error log
  std::string computer;               // the name the scan was started with
  std::string logProblem;             // why the scan's own log cannot be trusted, or empty
};

struct Outcome {
  OutcomeKind kind = OutcomeKind::Died;
  double percent = 0;  // the last percentage reported
  // The name the scanner reported last, when it differs from the one it was started
  // with (WMI may report another name).
  std::string reportedName;
  std::string detail;  // e.g. the log line that decided it, with the reason it gives
  // The inventory refused the scan's rows: the run has failed, not the computer.
  bool databaseFailed = false;
  // A complete scan collected through the fallback: why WMI could not be used.
  std::optional<std::string> noWmi;
};

Outcome ClassifyScan(const ScanFacts& facts);

// "complete", "not answering", "no access", "gave up after 40%", "timed out after 6%",
// "died after 33%", "interrupted after 20%", "unknown (log not written: REASON)",
// "complete (no WMI: REASON)".
std::string OutcomeText(const Outcome& outcome);

// One error-log line: date and time, what failed, the detail.
struct LogLine {
  std::string when;
  std::string what;
  std::string detail;
};
std::optional<LogLine> ParseLogLine(const std::string& line);

}  // namespace korvane::console

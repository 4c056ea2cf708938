// `korvane-console scan`: runs one scanner per computer, shows their progress and ends
// with a summary table.
//
// Exit status: 0 when every scan ended with a "Complete" line (whatever it found: a
// computer that does not answer or refuses access has still been scanned as far as it
// can be); 1 when at least one scan timed out, died, could not be started, gave up
// because the inventory refused its rows or has an unknown outcome, or when the shared
// log could not be written; 2 for a usage error or when the run could not start (no
// inventory, no room for the logs); 128 + the signal when interrupted.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "console/scan/scan_outcome.h"

namespace korvane::console {

struct ScanCommandOptions {
  std::string source;
  int jobs = 0;  // 0: four per processor
  bool userOnly = false;
  bool list = false;  // the summary lists every computer, not only the failures
  double timeoutSeconds = 300;
  std::string lab;
  std::string scanner;  // default: korvane next to the console
  std::vector<std::string> targets;
};

// Throws UsageError.
ScanCommandOptions ParseScanOptions(const std::vector<std::string>& args);

int DefaultJobs();

struct SummaryRow {
  std::string computer;
  Outcome outcome;
  double seconds = 0;
};

// The closing summary: the table of every computer when `list`, then one section per kind
// of failure naming its computers, the counts, rate and log path, fitted to `columns`
// (a column widens and notes wrap rather than cut a text).
void WriteSummary(std::ostream& out, const std::vector<SummaryRow>& rows, double elapsed,
                  int jobs, const std::string& logPath, std::size_t newLogLines, int columns, bool list);

int RunScanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvane::console

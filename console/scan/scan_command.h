// `korvane-console scan`: runs one scanner per computer, shows their progress and ends
// with a summary table.
//
// Exit status: 0 when every scan ended with a "Complete" line (whatever it found: a
// computer that does not answer or refuses access has still been scanned as far as it
// can be); 1 when at least one scan timed out, died or could not be started; 2 for a
// usage error.
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

// The closing table, counts, rate and log path, fitted to `columns`.
void WriteSummary(std::ostream& out, const std::vector<SummaryRow>& rows, double elapsed,
                  int jobs, const std::string& logPath, std::size_t newLogLines, int columns);

int RunScanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvane::console

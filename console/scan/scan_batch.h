// Runs the scans of one console command: at most `jobs` scanner processes at once, each
// killed when it runs past its time-out, the next one started as soon as a slot frees.
// Lines are attributed to a scan by its own channel, never by the name in the line
// (the scanner may switch to the name that WMI reports).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "console/system/scan_processes.h"

namespace korvane::console {

using SteadyTime = std::chrono::steady_clock::time_point;

struct BatchSettings {
  std::string program;
  std::string source;
  bool userOnly = false;
  int jobs = 1;
  std::chrono::milliseconds timeout{0};  // 0: no time-out
  std::vector<std::pair<std::string, std::string>> environment;
  // When set, each scan gets a Temp directory of its own below it, numbered by its
  // place in the list ("1", "2", ...), so that its error log holds its lines alone.
  std::string privateTempRoot;
  // Asked between waits: true when the console is to stop. Then no further scan is
  // started, every running one is ended with everything it started, and `stopped` is
  // called once they all have been told to end; the batch returns when they have.
  std::function<bool()> stopRequested;
  std::function<void()> stopped;
};

struct ScanRecord {
  std::string computer;
  bool started = false;            // false: the batch was stopped before its turn
  bool interrupted = false;        // ended because the batch was stopped
  std::string temp;                // its own Temp directory, when the batch gives one
  std::vector<std::string> lines;  // progress lines in order
  std::string output;              // what the scanner wrote to stdout/stderr
  std::string startError;          // set when the scanner could not be started
  bool timedOut = false;
  bool ended = false;
  int exitCode = -1;
  int signal = 0;
  SteadyTime startedAt{};
  SteadyTime endedAt{};
};

class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  virtual void ScanStarted(const ScanRecord&) {}
  virtual void ScanLine(const ScanRecord&, const std::string&) {}
  virtual void ScanEnded(const ScanRecord&) {}
  // Called between waits, at least about ten times a second while scans run.
  virtual void Tick(SteadyTime) {}
};

// Runs every computer once, in the given order of starting (unless stopped). Returns
// one record per computer, in the same order.
std::vector<ScanRecord> RunBatch(ScanProcesses& processes, const BatchSettings& settings,
                                 const std::vector<std::string>& computers,
                                 BatchObserver& observer);

}  // namespace korvane::console

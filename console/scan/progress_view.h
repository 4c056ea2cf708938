// What a person watching a scan run sees. On a terminal: one live line per running scan
// (computer, a bar, the percentage, the stage) under the lines of the scans already
// finished, and an overall count and rate; redrawn in place. Elsewhere (a pipe, a file, a
// CI log): plain timestamped lines, one when a scan starts, one when it enters a new
// stage and one when it ends, plus an overall line now and then.
#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <string>

namespace korvane::console {

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void Started(const std::string& computer) = 0;
  // A percentage line; `reportedName` is the name in the line.
  virtual void Percent(const std::string& computer, const std::string& reportedName,
                       double percent) = 0;
  virtual void Finished(const std::string& computer, const std::string& outcome,
                        double seconds) = 0;
  virtual void Tick() = 0;
  // Leaves the screen with the finished lines only, ready for the summary.
  virtual void Close() = 0;
};

std::unique_ptr<ProgressView> MakeLiveView(std::ostream& out, int columns, int total);
std::unique_ptr<ProgressView> MakePlainView(std::ostream& out, int total);

// "[#######.............]" of `width` characters for a percentage.
std::string ProgressBar(double percent, int width);

// Local wall-clock time "HH:MM:SS".
std::string ClockText();

}  // namespace korvane::console

// Ending scans before their time (a time-out, an interrupt), and knowing how many still
// run.
#pragma once

namespace korvane::console {

class ScanEnding {
 public:
  virtual ~ScanEnding() = default;
  // Ends the scan and every process it started. Its Ended event follows through Wait.
  virtual void Kill(int scan) = 0;
  // Number of scans started and not yet reported as ended.
  virtual int Running() const = 0;
};

}  // namespace korvane::console

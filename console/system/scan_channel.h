// What the running scanners say: each one's progress lines over its own channel, what it
// wrote to its standard output and error, and its end. Read for all scans at once,
// without ever blocking on one of them.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace korvane::console {

struct ScanEvent {
  enum class Kind {
    Line,    // one progress line, without its line end
    Output,  // text the scanner wrote to its standard output or error
    Ended,   // the scanner has ended; no more events of this scan follow
  };
  int scan = 0;  // the number Start returned
  Kind kind = Kind::Line;
  std::string text;   // Line and Output
  int exitCode = -1;  // Ended: exit status, -1 when a signal ended it
  int signal = 0;     // Ended: that signal
};

class ScanChannels {
 public:
  virtual ~ScanChannels() = default;
  // Waits at most `wait` for something to happen to any scan and returns all that has
  // happened (possibly nothing). The lines of a scan always precede its Ended event.
  virtual std::vector<ScanEvent> Wait(std::chrono::milliseconds wait) = 0;
};

}  // namespace korvane::console

// The console's view of the operating system: starting scanner processes, each with a
// progress channel of its own, reading their lines as they come without ever blocking on
// one scan, and killing a scan together with everything it started.
//
// One implementation per platform: system/posix/ (a pipe per scan whose write
// end becomes descriptor 3 in the child; a process group per scan) and, on Windows, a
// list box in a message-only window and a job object per scan. Everything else in the
// console is portable and reaches the system only through this header.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvane::console {

struct ScanStart {
  std::string program;   // the korvane executable
  std::string computer;  // field 2 of the command line
  std::string source;    // field 3: the database server, DSN or SQLite directory
  bool userOnly = false; // appends "-u"
  // Variables set (or replaced, names matched without regard to case) in the scanner's
  // environment; the rest of the console's environment is inherited.
  std::vector<std::pair<std::string, std::string>> environment;
};

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

class ScanProcesses {
 public:
  virtual ~ScanProcesses() = default;

  // Starts one scanner. Returns its number; std::runtime_error when it cannot be started.
  virtual int Start(const ScanStart& start) = 0;

  // Waits at most `wait` for something to happen to any scan and returns all that has
  // happened (possibly nothing). The lines of a scan always precede its Ended event.
  virtual std::vector<ScanEvent> Wait(std::chrono::milliseconds wait) = 0;

  // Ends the scan and every process it started. Its Ended event follows through Wait.
  virtual void Kill(int scan) = 0;

  // Number of scans started and not yet reported as ended.
  virtual int Running() const = 0;
};

std::unique_ptr<ScanProcesses> MakeScanProcesses();

// The command line a scanner gets: channel & "," & computer & "," & source & "," and
// "-u" for a user-only refresh.
std::string ScannerCommandLine(long long channel, const std::string& computer,
                               const std::string& source, bool userOnly);

// Interrupts of the console: Ctrl-C (SIGINT), SIGTERM and SIGHUP on Linux; Ctrl-C,
// Ctrl-Break, closing the console window, logging off and shutting down on Windows. From
// WatchInterrupts() on, the first one is only noted, so that the console can stop its
// scans and summarise; InterruptStatus() is then the exit status to end with (130 for
// Ctrl-C, 143 for SIGTERM, log-off and shut-down, 129 for SIGHUP and a closed window),
// 0 while none came. Once ScansStopped() has been called (every running scan has been
// told to end), a further interrupt ends the console at once with that status; one that
// came before ends it right in ScansStopped().
void WatchInterrupts();
int InterruptStatus();
void ScansStopped();
// Called when the console has said all it has to say: a closing window need not wait
// any longer.
void InterruptHandled();

// Small questions the console asks of the system.
bool StandardOutputIsTerminal();
int TerminalColumns();  // 80 when unknown
unsigned ProcessorCount();
// Directory of the running console executable (its scanner lives next to it).
std::string OwnProgramDirectory();
// The name of the scanner executable on this system ("korvane" or "korvane.exe").
std::string ScannerProgramName();

}  // namespace korvane::console

// Process services of the operating system: the command line, the environment, the
// one-shot timer, the message box, the log file and the immediate end of the process.
// One implementation per platform (posix/, win32/); tests substitute a double whose
// EndProcessNow throws ProcessEndedForTest so that an in-process scan can observe it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

class ProcessServices {
 public:
  virtual ~ProcessServices() = default;

  // The argument text of the process without the program's own path. On Linux the
  // arguments joined with single spaces.
  virtual std::string CommandLine() = 0;

  // An environment variable; the name is matched without regard to letter case, as
  // Windows does. nullopt when it is not set.
  virtual std::optional<std::string> GetEnvironment(std::string_view name) = 0;

  // Hides the application from the task list. A process without windows does nothing.
  virtual void RemoveFromTaskList() = 0;

  // Blocks until a one-shot timer of the given interval has fired once.
  virtual void WaitForTimer(std::chrono::milliseconds interval) = 0;

  // Modal message box with an OK button; returns when the user closed it. Where no user
  // can answer (Linux), the text goes to standard error and nothing waits.
  virtual void MessageBox(std::string_view text, std::string_view title) = 0;

  // Lets pending window events run once (a no-op without a window system).
  virtual void ProcessPendingEvents() = 0;

  // Appends one line (the platform's line end is added) to a text file, creating it when
  // needed, with a single write between its own open and close. Every failure is ignored.
  virtual void AppendLineToFile(const std::string& path, std::string_view line) = 0;

  // The separator put between a directory and a file name ('\\' or '/').
  virtual char PathSeparator() const = 0;

  // Ends the process at once: no unwinding, no destructors, no further program code.
  [[noreturn]] virtual void EndProcessNow() = 0;
};

// Thrown by test doubles of EndProcessNow. Deliberately not derived from std::exception,
// so that no error handler of the program can catch and swallow it.
struct ProcessEndedForTest {};

}  // namespace korvane

// Starting a scanner: the program that sits next to the console, its command line and
// the environment it inherits.
#pragma once

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

class ScannerStarter {
 public:
  virtual ~ScannerStarter() = default;
  // Starts one scanner with a progress channel of its own. Returns its number;
  // std::runtime_error when it cannot be started.
  virtual int Start(const ScanStart& start) = 0;
};

// The command line a scanner gets: channel & "," & computer & "," & source & "," and
// "-u" for a user-only refresh.
std::string ScannerCommandLine(long long channel, const std::string& computer,
                               const std::string& source, bool userOnly);

// Directory of the running console executable (its scanner lives next to it).
std::string OwnProgramDirectory();
// The name of the scanner executable on this system ("korvane" or "korvane.exe").
std::string ScannerProgramName();

}  // namespace korvane::console

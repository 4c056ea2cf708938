// The progress lines a scanner sends to its console: ComputerName & "," & item, the item
// a percentage reached or "Complete". The scanner sends these values at its stages; the
// console reads the lines back and names the stage a scan is in from the same values.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct Korvane;

// Adds the complete, already composed line to the console's list box. Never fails.
void ProgRep(Korvane& k, const std::string& line);

// Sends ComputerName & "," & item.
void Progress(Korvane& k, std::string_view item);

}  // namespace korvane

namespace korvane::progress {

// The values, in the order a full scan sends them.
inline constexpr int kStarted = 2;          // before the echo
inline constexpr int kEchoed = 4;           // the echo is done; the last-access record next
inline constexpr int kWmiConnected = 6;     // the WMI passes begin
inline constexpr int kOperatingSystem = 20;
inline constexpr int kServices = 27;
inline constexpr int kBios = 29;
inline constexpr int kDrives = 33;
inline constexpr int kSoftwareStarted = 35;  // the uninstall keys are listed next
inline constexpr int kSoftwareListed = 40;
inline constexpr int kSoftwareFrom = 50;     // the running value over the programs starts here
inline constexpr int kSoftwareSpan = 40;     // and climbs this far over them
inline constexpr int kSoftwareDone = 90;
inline constexpr int kCollected = 100;       // everything collected; the database next
inline constexpr std::string_view kComplete = "Complete";

// The item of a stage value: its plain decimal text.
std::string Item(int value);

// computer & "," & item
std::string LineText(std::string_view computer, std::string_view item);

// One line "COMPUTER,ITEM" taken apart. The item is the text after the last comma; the
// computer is everything before it (a name may itself hold commas).
struct Line {
  std::string computer;
  bool complete = false;
  std::optional<double> percent;  // set for a number item
};
Line ParseLine(const std::string& line);

// The running value over the programs of the software stage: it climbs from kSoftwareFrom
// by kSoftwareSpan / (programs - 1) per program, and a line goes out each time it has
// gained a whole point on the last reported one. Needs at least two programs.
class SoftwareRun {
 public:
  explicit SoftwareRun(long long programs)
      : step_(static_cast<double>(kSoftwareSpan) / static_cast<double>(programs - 1)) {}

  // Moves on by one program; the value to report, if a line goes out.
  std::optional<double> Next();

 private:
  double step_;
  double running_ = kSoftwareFrom;
  double last_ = kSoftwareFrom;
};

}  // namespace korvane::progress

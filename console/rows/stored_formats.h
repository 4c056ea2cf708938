// Reading back the texts the scanners store: the History column, the software list and
// the DiskHistory series. One parser each, used by `show` (every format) and `report`.
//
// Real inventories hold more than the scanners write: histories cut at the front,
// values that themselves contain "^" or "~" (never escaped), rows written by other
// tools, Null columns. Nothing here throws; what cannot be read is kept as plain text.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvane::console {

// ---- History ----

enum class ChangeKind {
  Created,            // "New Record Created"
  FieldChanged,       // "<label> changed from <old> To <new>"
  SoftwareInstalled,  // "New Software installed : <program>"
  SoftwareRemoved,    // "Software removed : <program>"
  SoftwareChanged,    // "<program> Version|Location|Product ID changed from <old> To <new>"
  Other,              // anything else, shown as it stands
};

struct HistoryEntry {
  std::string time;  // "YYYY/MM/DD HH:MM:SS"; empty for a piece without a time stamp
  std::string text;  // the whole change text
  ChangeKind kind = ChangeKind::Other;
  std::string subject;  // the field label ("Physical Memory") or the program name
  std::string what;     // SoftwareChanged: "Version", "Location" or "Product ID"
  std::string from, to; // empty text for "nothing"
};

// The entries, oldest first. A piece that does not begin with a time stamp continues the
// entry before it (a value containing "^"), or, at the very front, is the remains of an
// entry cut by the length rule and is kept without a time.
std::vector<HistoryEntry> ParseHistory(const std::string& history);

// ---- Software list ----

struct SoftwareItem {
  std::string program, version, location, productId;
};

// Every item of a stored list, in stored order. Empty items are passed over (the
// scanner's own comparison stops at one, but the programs after it are still installed);
// an item with fewer than four parts has the missing ones empty.
std::vector<SoftwareItem> ParseSoftwareList(const std::string& list);

// Items of a "^"-joined list (the service list); empty text has none.
std::vector<std::string> SplitList(const std::string& list);

// ---- Drive history ----

struct FreeSpacePoint {
  std::string date;    // the stored date text
  std::string value;   // the stored free-space text
  int day = 0;         // days since 1970-01-01, when `date` reads as a date
  double megabytes = 0;
  bool valid = false;  // both parts read
};

// "^date,free^date,free...", oldest first; pieces that do not read are kept, not valid.
std::vector<FreeSpacePoint> ParseDiskHistory(const std::string& series);

// Days since 1970-01-01 of "YYYY?MM?DD" (any one-character separators) at the start of
// `text`; nothing when it is no such date.
std::optional<int> DayNumber(const std::string& text);

// The straight line through the valid points (least squares): MB per day, negative when
// the drive is filling. Nothing with fewer than two valid points on different days.
std::optional<double> FreeSpaceTrend(const std::vector<FreeSpacePoint>& points);

}  // namespace korvane::console

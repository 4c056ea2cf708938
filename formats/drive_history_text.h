// The free-space history of one drive, kept in the DiskHistory column of its
// DriveHistory row: "^date,free" entries, at most one per calendar day, oldest first.
// The scanner appends and shortens it; the console reads it back into points and a
// trend. This module owns the text both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// The key of a drive's DriveHistory row: computer & "~" & drive letter.
std::string DriveHistoryKey(const std::string& computer, const std::string& letter);

// ---- Writing ----

// "^" & date text & "," & free space in plain decimal.
std::string DiskHistoryEntry(const std::string& dateText, double freeSpace);

// The calendar day ("YYYYMMDD") of the last entry of a history text, or nullopt when its
// date text cannot be read as a date (a damaged entry counts as not today).
std::optional<std::string> LastEntryDay(const std::string& history);

// The stored text with the oldest entries removed while it and an appended entry of
// `newEntryChars` characters would reach `definedSize`. When only one entry is left and
// it still does not fit beside the new one, it goes too and the result is empty text.
std::string DropOldestDiskEntries(std::string history, std::size_t newEntryChars,
                                  int32_t definedSize);

// ---- Reading ----

struct FreeSpacePoint {
  std::string date;    // the stored date text
  std::string value;   // the stored free-space text
  int day = 0;         // days since 1970-01-01, when `date` reads as a date
  double megabytes = 0;
  bool valid = false;  // both parts read
};

// "^date,free^date,free...", oldest first; pieces that do not read are kept, not valid.
std::vector<FreeSpacePoint> ParseDiskHistory(const std::string& series);

// Days since 1970-01-01 of the date at the start of `text`: "YYYY", a separator of any
// characters but digits (the locale's, such as "/", "." or ". "), the month, the same
// separator, the day; nothing when it is no such date.
std::optional<int> DayNumber(const std::string& text);

// The straight line through the valid points (least squares): MB per day, negative when
// the drive is filling. Nothing with fewer than two valid points on different days.
std::optional<double> FreeSpaceTrend(const std::vector<FreeSpacePoint>& points);

}  // namespace korvane

// The free-space history of each drive C: to J: of a computer: one DriveHistory row per
// computer and drive letter, holding "^date,free" entries, at most one per calendar day,
// oldest first, kept shorter than the column's defined size by dropping the oldest.
//
// Each drive opens its own connection object and recordset (k.inv.DriveConn / DriveRS), so
// a drive's row is found or created independently of the slots of the Asset
// reconciliation; the connection to the server underneath is the scan's shared one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvane {

struct Korvane;

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

// Records the drive's free space for today; a free space of 0 records nothing. Ends the
// process when the drive's recordset cannot be opened; other errors pass to the caller.
void UpdateDriveHistory(Korvane& k, const std::string& caption, double freeSpace);

// Appends today's entry to the row DriveRS stands on, unless today already has one.
// Ignore-and-continue: a failing statement is skipped and the next runs.
void AppendDriveHistory(Korvane& k, double freeSpace);

}  // namespace korvane

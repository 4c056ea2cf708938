// The free-space history of each drive C: to J: of a computer: one DriveHistory row per
// computer and drive letter (the text of its entries is formats/drive_history_text.h),
// kept shorter than the column's defined size by dropping the oldest.
//
// Each drive opens its own connection object and recordset (k.inv.DriveConn / DriveRS), so
// a drive's row is found or created independently of the slots of the Asset
// reconciliation; the connection to the server underneath is the scan's shared one.
#pragma once

#include <string>

#include "formats/drive_history_text.h"

namespace korvane {

struct Korvane;

// Records the drive's free space for today; a free space of 0 records nothing. Ends the
// process when the drive's recordset cannot be opened; other errors pass to the caller.
void UpdateDriveHistory(Korvane& k, const std::string& caption, double freeSpace);

// Appends today's entry to the row DriveRS stands on, unless today already has one.
// Ignore-and-continue: a failing statement is skipped and the next runs.
void AppendDriveHistory(Korvane& k, double freeSpace);

}  // namespace korvane

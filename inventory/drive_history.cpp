#include "inventory/drive_history.h"

#include "formats/drive_history_text.h"

#include "scan/conversions.h"
#include "scan/error_handling.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/time_text.h"
#include "inventory/query_texts.h"
#include "inventory/recordset_ref.h"

namespace korvane {

namespace {

// The drive's own recordset, reopened with a connection object of its own (on the scan's
// shared connection). The old recordset goes before the connection it was opened on.
void OpenDriveRecordset(Korvane& k, const std::string& query) {
  std::unique_ptr<Connection> conn =
      k.connections.Open(*k.platform.database, k.ctx.ConnectionString);
  k.inv.DriveRS.reset();
  k.inv.DriveConn = std::move(conn);
  k.inv.DriveRS = k.inv.DriveConn->OpenRecordset(query);
}

}  // namespace

void UpdateDriveHistory(Korvane& k, const std::string& caption, double freeSpace) {
  if (freeSpace == 0) return;
  const std::string letter = FirstChars(caption, 1);
  OpenDriveRecordset(k, DriveHistoryQuery(k.ctx.ComputerName, letter));
  const int32_t count = Opened(k.inv.DriveRS).RecordCount();
  if (count == -1) {
    const std::string description =
        k.inv.DriveConn ? k.inv.DriveConn->LastErrorDescription() : std::string();
    LogError(k, "Error connection to SQL database", k.ctx.ConnectionString + " " + description);
    EndScan(k);
  }
  if (count == 0) {
    k.inv.DriveRS->AddNew(Variant(DriveHistoryKey(k.ctx.ComputerName, letter)));
    k.inv.DriveRS->Close();
    k.inv.DriveRS = k.inv.DriveConn->OpenRecordset(DriveHistoryQuery(k.ctx.ComputerName, letter));
  }
  AppendDriveHistory(k, freeSpace);
}

void AppendDriveHistory(Korvane& k, double freeSpace) {
  std::string history;
  Attempt([&] { history = ToText(Opened(k.inv.DriveRS).Field(drive_history::kDiskHistory)); });
  if (!history.empty()) {
    const std::optional<std::string> lastDay = LastEntryDay(history);
    if (lastDay && *lastDay == DayKey(k.platform.clock->Now())) return;
  }

  const std::string entry = DiskHistoryEntry(TodayText(k), freeSpace);
  // The bound only ever shortens the text; a column too small even for the new entry on
  // its own keeps what it holds, rather than being handed a value it cannot store.
  bool fits = true;
  Attempt([&] {
    Recordset& rs = Opened(k.inv.DriveRS);
    const int32_t definedSize = rs.DefinedSize(drive_history::kDiskHistory);
    if (definedSize <= 0) return;  // no size reported: nothing to keep the text under
    const std::string kept = DropOldestDiskEntries(history, CharCount(entry), definedSize);
    fits = CharCount(kept) + CharCount(entry) < static_cast<std::size_t>(definedSize);
    if (fits && kept != history) {
      history = kept;
      rs.SetField(drive_history::kDiskHistory, Variant(history));
    }
  });
  if (fits) {
    Attempt([&] {
      Opened(k.inv.DriveRS).Update(drive_history::kDiskHistory, Variant(history + entry));
    });
  }
  Attempt([&] {
    Opened(k.inv.DriveRS).Update(drive_history::kDiskComputerName, Variant(k.ctx.ComputerName));
  });
}

}  // namespace korvane

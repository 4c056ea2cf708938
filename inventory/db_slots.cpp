#include "inventory/db_slots.h"

#include <memory>
#include <string>

#include "scan/error_handling.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace {

// Opens one slot: a new connection object (on the scan's shared connection to the
// server) and a new recordset on the slot's query text, replacing what the slot held. A
// slot that cannot be opened ends the scan, so a caller that gets control back always
// has a usable recordset.
void OpenSlot(Korvane& k, std::unique_ptr<Connection>& conn, std::unique_ptr<Recordset>& rs,
              const std::string& sql) {
  ScanContext& c = k.ctx;
  try {
    // The new objects take the slot's place as soon as they exist; the previous ones are
    // released then, without a close.
    rs.reset();
    conn = k.connections.Open(*k.platform.database, c.ConnectionString);
    rs = conn->OpenRecordset(sql);
    if (rs->RecordCount() == -1) {
      LogError(k, "Error connecting to SQL database",
               c.ConnectionString + " " + conn->LastErrorDescription());
      EndScan(k);
    }
  } catch (const RuntimeError& e) {
    LogError(k, "Error updating database", c.ComputerName + ":" + e.description());
    EndScan(k);
  }
}

}  // namespace

void ConnectAhead(Korvane& k) {
  if (!k.platform.database) return;
  const std::string& name = k.ctx.ComputerName;
  // Any drive letter will do: the point is the table, not the row.
  k.connections.OpenAhead(*k.platform.database, k.ctx.ConnectionString,
                          {LastAccessQuery(name), AssetQuery(name), SoftwareQuery(name),
                           ServicesQuery(name), DriveHistoryQuery(name, "C")});
}

void OpenRecordset1(Korvane& k) { OpenSlot(k, k.ctx.Conn1, k.ctx.RS1, k.ctx.SQL1); }
void OpenRecordset2(Korvane& k) { OpenSlot(k, k.ctx.Conn2, k.ctx.RS2, k.ctx.SQL2); }
void OpenRecordset3(Korvane& k) { OpenSlot(k, k.ctx.Conn3, k.ctx.RS3, k.ctx.SQL3); }

}  // namespace korvane

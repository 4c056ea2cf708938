#include "reach/last_access.h"

#include "scan/error_handling.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/time_text.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace {

// Logs the failure with the database's own description, reports "Complete" and ends
// the process.
[[noreturn]] void LastAccessFailure(Korvane& k, const std::string& description) {
  LogError(k, "Error updating last access database", k.ctx.ComputerName + ":" + description);
  EndScan(k);
}

}  // namespace

void UpdateLastAccess(Korvane& k) {
  // The stage's own connection objects and recordsets (on the scan's shared connection to
  // the server); they are released when it returns.
  std::unique_ptr<Connection> conn;
  std::unique_ptr<Recordset> rs;
  std::unique_ptr<Connection> tableConn;
  std::unique_ptr<Recordset> tableRs;
  try {
    conn = k.connections.Open(*k.platform.database, k.ctx.ConnectionString);
    rs = conn->OpenRecordset(LastAccessQuery(k.ctx.ComputerName));
    if (rs->RecordCount() == -1) LastAccessFailure(k, conn->LastErrorDescription());

    Recordset* current = rs.get();
    if (rs->RecordCount() == 0) {
      // The whole table is opened only to add the computer's row.
      tableConn = k.connections.Open(*k.platform.database, k.ctx.ConnectionString);
      tableRs = tableConn->OpenRecordset(kAllLastAccessQuery);
      if (tableRs->RecordCount() == -1) LastAccessFailure(k, tableConn->LastErrorDescription());
      tableRs->AddNew(Variant(k.ctx.ComputerName));
      current = tableRs.get();
    }
    // With several rows for the computer, the first one the query returns is updated.
    if (k.ctx.PingOK) {
      current->Update(last_access::kLastAccessTime, Variant(NowText(k)));
      current->Close();
    }
  } catch (const RuntimeError& e) {
    LastAccessFailure(k, e.description());
  }
}

}  // namespace korvane

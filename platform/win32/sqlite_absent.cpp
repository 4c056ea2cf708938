// The Windows build has no SQLite library, so the embedded backend is absent: a
// directory named as Data Source is refused with a description the error log can show,
// and the inventory is reached through ODBC (a data source or a SQL Server) instead.
#include "platform/db/engine.h"
#include "platform/db/sqlite_engine.h"
#include "platform/runtime_error.h"

namespace korvane::db {

std::unique_ptr<Connection> OpenSqliteConnection(const std::string& path, bool) {
  throw RuntimeError(kProviderError,
                     "The SQLite file " + path +
                         " cannot be opened: this Windows build reaches the inventory through "
                         "ODBC only (an ODBC data source or a SQL Server)");
}

}  // namespace korvane::db

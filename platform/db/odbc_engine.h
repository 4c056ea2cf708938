// The server backend: any ODBC data source, reached with an ODBC connection string.
//
// Rows are found again for one-column updates without relying on a key: PostgreSQL
// by its ctid (which every UPDATE changes, so the new one is read back with RETURNING),
// other servers by matching the row's values as last read (optimistic locking).
#pragma once

#include <memory>
#include <string>

#include "platform/database.h"

namespace korvane::db {

std::unique_ptr<Connection> OpenOdbcConnection(const std::string& odbcConnectionString);

// The engine's name as its driver reports it (SQL_DBMS_NAME), e.g. "PostgreSQL" or
// "Microsoft SQL Server"; used to choose a schema dialect.
std::string OdbcDbmsName(const std::string& odbcConnectionString);

}  // namespace korvane::db

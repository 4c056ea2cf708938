// The database layer: picks the backend from the connection string's Data Source.
//   - an existing directory: the SQLite file DrevantaAsset.sqlite in it (never created);
//   - otherwise the name of an ODBC data source (DSN), with the catalog as database;
//   - otherwise a SQL Server host, reached through the installed SQL Server ODBC driver
//     with integrated security.
#pragma once

#include <memory>

#include "platform/database.h"

namespace korvane {

std::unique_ptr<DatabaseServer> MakeDatabaseServer();

}  // namespace korvane

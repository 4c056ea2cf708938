// The database layer: picks the backend from the connection string's Data Source.
//   - an existing directory: the SQLite file DrevantaAsset.sqlite in it (never created);
//   - otherwise the name of an ODBC data source (DSN), with the catalog as database;
//   - otherwise a SQL Server host, reached through the installed SQL Server ODBC driver
//     with integrated security.
// See docs/database.md.
#pragma once

#include <memory>
#include <string>

#include "platform/database.h"

namespace korvane {

std::unique_ptr<DatabaseServer> MakeDatabaseServer();

// The same, for tools that only read (show, report): an SQLite inventory is opened
// read-only, so a read-only mount or a user without write access can read it.
std::unique_ptr<DatabaseServer> MakeReadingDatabaseServer();

namespace db {

// Where a Data Source leads.
struct BackendChoice {
  enum class Kind { SqliteFile, OdbcDataSource, SqlServerHost };
  Kind kind = Kind::SqlServerHost;
  std::string sqlitePath;              // SqliteFile: the file to open
  std::string odbcConnectionString;    // the others: what SQLDriverConnect gets
};

// Applies the rules above to a Data Source and catalog. Throws RuntimeError for a SQL
// Server host when no SQL Server ODBC driver is installed.
BackendChoice ChooseBackend(const std::string& dataSource, const std::string& catalog);

// Opens a connection on a chosen backend.
std::unique_ptr<Connection> OpenBackend(const BackendChoice& choice);

}  // namespace db
}  // namespace korvane

// Creating the inventory tables, for tools (korvane-console init-db) and tests; the
// scanner itself never creates a table. The table definitions are the files in schema/,
// compiled into the program.
#pragma once

#include <string>
#include <vector>

namespace korvane {

// Creates the five inventory tables and their key indexes (tables that already exist are
// kept as they are). `dataSource` is what the scanner's command line names as its server:
//   - a directory (created when missing and the text looks like a path): the SQLite file
//     DrevantaAsset.sqlite in it is created;
//   - an ODBC data source name: the tables are created in its database (PostgreSQL or SQL
//     Server dialect, from the driver's DBMS name);
//   - a SQL Server host name: reached as the scanner reaches it.
// Throws RuntimeError with the database's error text on failure.
void InstallSchema(const std::string& dataSource);

namespace db {

enum class SchemaDialect { Sqlite, PostgreSql, SqlServer };

// The text of schema/sqlite.sql, schema/postgresql.sql or schema/sqlserver.sql.
const char* SchemaText(SchemaDialect dialect);

// The statements of a schema text, split at semicolons that end a line outside a
// $$-quoted body; comments and blank statements dropped.
std::vector<std::string> SchemaStatements(const std::string& text);

}  // namespace db
}  // namespace korvane

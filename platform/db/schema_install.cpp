#include "platform/db/schema_install.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/connection_string.h"
#include "platform/db/database_server.h"
#include "platform/db/engine.h"
#include "platform/db/odbc_engine.h"
#include "platform/db/sqlite_engine.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace db {

std::vector<std::string> SchemaStatements(const std::string& text) {
  std::vector<std::string> statements;
  std::istringstream in(text);
  std::string line;
  std::string current;
  bool quoted = false;  // inside a $$-quoted body, whose semicolons are its own
  auto flush = [&] {
    const auto first = current.find_first_not_of(" \t\r\n");
    if (first != std::string::npos) statements.push_back(current.substr(first));
    current.clear();
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line.compare(start, 2, "--") == 0) continue;
    for (std::size_t at = line.find("$$"); at != std::string::npos; at = line.find("$$", at + 2)) quoted = !quoted;
    const auto end = line.find_last_not_of(" \t");
    if (line[end] == ';' && !quoted) {
      current += line.substr(0, end);
      flush();
    } else {
      current += line + "\n";
    }
  }
  flush();
  return statements;
}

}  // namespace db

namespace {

bool LooksLikePath(const std::string& text) {
  return text.find('/') != std::string::npos || text.find('\\') != std::string::npos;
}

void RunSchema(Connection& connection, db::SchemaDialect dialect) {
  for (const std::string& statement : db::SchemaStatements(db::SchemaText(dialect))) {
    connection.Execute(statement);
  }
}

}  // namespace

void InstallSchema(const std::string& dataSource) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dataSource, ec) && LooksLikePath(dataSource)) {
    std::filesystem::create_directories(dataSource, ec);
    if (ec) {
      throw RuntimeError(db::kProviderError, "cannot create the directory " + dataSource + ": " + ec.message());
    }
  }
  const db::BackendChoice choice = db::ChooseBackend(dataSource, kCatalog);
  if (choice.kind == db::BackendChoice::Kind::SqliteFile) {
    auto connection = db::OpenSqliteConnection(choice.sqlitePath, /*create=*/true);
    RunSchema(*connection, db::SchemaDialect::Sqlite);
    return;
  }
  const std::string dbms = db::OdbcDbmsName(choice.odbcConnectionString);
  db::SchemaDialect dialect;
  if (dbms == "PostgreSQL") {
    dialect = db::SchemaDialect::PostgreSql;
  } else if (dbms.find("SQL Server") != std::string::npos) {
    dialect = db::SchemaDialect::SqlServer;
  } else {
    throw RuntimeError(db::kProviderError, "no inventory schema for the database engine " + dbms);
  }
  auto connection = db::OpenBackend(choice);
  RunSchema(*connection, dialect);
}

}  // namespace korvane

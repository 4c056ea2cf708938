#include "console/scan/server_capacity.h"

#include <memory>
#include <vector>

#include "scan/scan_context.h"
#include "platform/connection_string.h"
#include "platform/db/database_server.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

int AsInt(const Variant& v) {
  if (v.kind() == Variant::Kind::Long) return v.long_value();
  if (v.kind() == Variant::Kind::Double) return static_cast<int>(v.double_value());
  if (v.kind() == Variant::Kind::Text) return std::stoi(v.text());
  throw RuntimeError(0, "not a number");
}

// One row of numbers, or nothing when the query fails (another server, too few rights).
std::optional<std::vector<int>> Numbers(Connection& connection, const std::string& query, int columns) {
  try {
    std::unique_ptr<Recordset> rs = connection.OpenRecordset(query);
    if (rs->RecordCount() < 1 || rs->FieldCount() < columns) return std::nullopt;
    std::vector<int> values;
    for (int i = 0; i < columns; ++i) values.push_back(AsInt(rs->Field(i)));
    return values;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> CapacityWarning(const ServerConnections& server, int parallel) {
  const int free = server.limit - server.inUse;
  if (parallel <= free) return std::nullopt;
  const int shortBy = parallel - std::max(free, 0);
  return "warning: " + std::to_string(parallel) + " scans at once need " + std::to_string(parallel) +
         " connections, but the " + server.server + " server has " + std::to_string(std::max(free, 0)) +
         " free (" + std::to_string(server.limit) + " for clients, " + std::to_string(server.inUse) +
         " in use); about " + std::to_string(shortBy) +
         " scans may be refused and those computers left out. Run with --jobs " +
         std::to_string(std::max(free, 1)) + " or fewer, or raise " + server.setting +
         " (docs/deployment.md).";
}

std::optional<ServerConnections> AskServerConnections(const std::string& source) {
  try {
    const ConnectionTarget target = ParseConnectionString(MakeConnectionString(source));
    if (db::ChooseBackend(target.dataSource, target.catalog).kind == db::BackendChoice::Kind::SqliteFile) {
      return std::nullopt;
    }
    std::unique_ptr<Connection> connection = MakeDatabaseServer()->Open(MakeConnectionString(source));
    // PostgreSQL keeps superuser_reserved_connections back from ordinary accounts; the
    // count is taken on this connection, which ends before the scan starts.
    if (auto n = Numbers(*connection,
                         "SELECT CAST(current_setting('max_connections') AS integer) - "
                         "CAST(current_setting('superuser_reserved_connections') AS integer), "
                         "CAST((SELECT count(*) FROM pg_stat_activity WHERE backend_type = 'client backend') "
                         "AS integer) - 1",
                         2)) {
      return ServerConnections{"PostgreSQL", (*n)[0], (*n)[1], "max_connections in postgresql.conf"};
    }
    // SQL Server: sessions are visible to an account with VIEW SERVER STATE; without it
    // only the limit is known.
    if (auto n = Numbers(*connection,
                         "SELECT @@MAX_CONNECTIONS, (SELECT COUNT(*) FROM sys.dm_exec_sessions "
                         "WHERE is_user_process = 1) - 1",
                         2)) {
      return ServerConnections{"SQL Server", (*n)[0], (*n)[1], "the 'user connections' option"};
    }
    if (auto n = Numbers(*connection, "SELECT @@MAX_CONNECTIONS", 1)) {
      return ServerConnections{"SQL Server", (*n)[0], 0, "the 'user connections' option"};
    }
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

}  // namespace korvane::console

// Before a scan starts: does the inventory server have a connection free for every
// scanner that will run at once? Each scanner holds one connection for its whole scan,
// so a server with fewer free connections than jobs refuses some of them ("too many
// clients") and those computers are not inventoried.
#pragma once

#include <optional>
#include <string>

namespace korvane::console {

// What the server says about its connections.
struct ServerConnections {
  std::string server;  // "PostgreSQL", "SQL Server"
  int limit = 0;       // connections the scanners may use in all
  int inUse = 0;       // held now by others
  std::string setting; // what the administrator changes to raise `limit`
};

// The warning for `parallel` scanners at once, or nothing when they fit.
std::optional<std::string> CapacityWarning(const ServerConnections& server, int parallel);

// Asks the server behind `source` (PostgreSQL or SQL Server through ODBC); nothing for an
// SQLite inventory, or when the server cannot or will not tell (the scan itself then
// reports what goes wrong).
std::optional<ServerConnections> AskServerConnections(const std::string& source);

}  // namespace korvane::console

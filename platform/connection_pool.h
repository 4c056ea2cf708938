// One connection to the inventory server per scan and connection string, shared by every
// stage that opens one (the last-access record, the three slots, the drive history), as
// OLE DB session pooling does for ADO: a scan connects once instead of a dozen times,
// and a scanner holds at most one connection on the server at any time, which is what
// lets a hundred scanners run against one server.
//
// Each Open still returns a connection object of its own (with its own last error), on
// which every recordset is new, so the stages behave as with connections of their own.
// A connection that broke is not handed out again: the next Open connects anew. When a
// shared connection turns out to have broken while it sat idle (a server restart or an
// idle time-out during a long collection), the first recordset opened on it connects
// once more and opens again, as a new connection would have done from the start.
//
// The pool belongs to one scan (the Korvane object); nothing is shared between scans.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

namespace korvane {

class ConnectionPool {
 public:
  ConnectionPool();
  ~ConnectionPool();
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // A connection for `connectionString`: the shared session when there is a sound one,
  // otherwise a new connection through `server`. Throws what server.Open throws.
  std::unique_ptr<Connection> Open(DatabaseServer& server, const std::string& connectionString);

  // Starts connecting for `connectionString` on a thread of its own, and then opens (and
  // drops) a recordset on each of `firstQueries`, so that the server has read the
  // descriptions of those tables before the scan asks. The next Open waits for it and
  // takes that connection. A failure there is forgotten: that Open connects itself and
  // reports what the server says then, as without this. Nothing happens when the pool
  // has a connection for the string already.
  void OpenAhead(DatabaseServer& server, const std::string& connectionString,
                 std::vector<std::string> firstQueries);

  // How many times the pool connected to a server (for tests and benchmarks).
  int ConnectionsMade() const;

  struct Entry;

 private:
  std::shared_ptr<Entry>& EntryFor(DatabaseServer& server, const std::string& connectionString);

  std::map<std::string, std::shared_ptr<Entry>> entries_;
};

}  // namespace korvane

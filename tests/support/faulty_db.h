// A real SQLite inventory whose recordsets record their writes and fail on demand, for
// reconciliation procedures run inside the test process.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/database.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {

class FaultyDatabase : public DatabaseServer {
 public:
  // Every connection string opens `inventory`.
  std::unique_ptr<Connection> Open(const std::string& connectionString) override;

  Inventory inventory;
  // "update <table> <ordinal>" and "close <table>", in order.
  std::vector<std::string> calls;
  // Failures injected by table and ordinal: reading or writing that column raises, and a
  // change that failed stays pending, as on the real backends: it fails again with every
  // later update of the row, and Close reports it.
  std::set<std::pair<std::string, int>> failingReads;
  std::set<std::pair<std::string, int>> failingUpdates;
  // Defined sizes that replace the table's own, by table and ordinal.
  std::map<std::pair<std::string, int>, int32_t> definedSizes;
  // Queries whose recordset reports a record count of -1, with the description the
  // connection then gives as its last error (empty: none).
  std::map<std::string, std::string> brokenQueries;
};

}  // namespace korvane::test

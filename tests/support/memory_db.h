// An inventory database in memory, for reconciliation procedures run inside the test
// process. The contract suite (tests/db/recordset_test.cpp) holds it to what the real
// backends do; besides, it records the writes and injects failures on demand.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/db/schema_install.h"

namespace korvane::test {

using Row = std::vector<Variant>;

struct MemoryTable {
  std::vector<std::string> columns;  // the first is the key
  std::vector<int32_t> definedSizes;
  std::string indexedColumn;
  std::vector<std::shared_ptr<Row>> rows;
};

// The tables a schema text creates, empty: their columns in order (one a line), the sizes
// their declared types give, and the column each table's index is on.
std::map<std::string, MemoryTable> SchemaTables(db::SchemaDialect dialect);

class MemoryDatabase : public DatabaseServer {
 public:
  MemoryDatabase();  // the five tables of the installed SQLite schema, empty
  std::unique_ptr<Connection> Open(const std::string& connectionString) override;

  // Adds a row with its key and every other column Null; returns it for filling.
  Row& AddRow(const std::string& table, const Variant& key);
  // The rows of a table whose key equals `key` exactly.
  std::vector<Row> RowsOf(const std::string& table, const std::string& key);

  std::map<std::string, MemoryTable> tables;
  // "update <table> <ordinal>" and "close <table>", in order.
  std::vector<std::string> calls;
  // Failures injected by table and ordinal: reading or writing that column raises.
  std::set<std::pair<std::string, int>> failingReads;
  std::set<std::pair<std::string, int>> failingUpdates;
  // Queries whose recordset reports a record count of -1, with the description the
  // connection then gives as its last error (empty: none).
  std::map<std::string, std::string> brokenQueries;
};

}  // namespace korvane::test

// An inventory database in memory for tests that run reconciliation procedures inside
// the test process. It honours the contract of platform/database.h (Null apart from
// empty text, AddNew stores and makes current, Update stores pending SetField changes
// with its own column, a recordset without a current row refuses Field) and records
// every call, so tests can check the order of writes and inject failures.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/database.h"

namespace korvane::inventory_test {

using Row = std::vector<Variant>;

struct MemoryTable {
  std::string key;
  int columns = 0;
  std::map<int, int32_t> definedSizes;  // default: 2147483647
  std::vector<std::shared_ptr<Row>> rows;
};

class MemoryDatabase : public DatabaseServer {
 public:
  MemoryDatabase();
  std::unique_ptr<Connection> Open(const std::string& connectionString) override;

  MemoryTable& Table(const std::string& name) { return tables.at(name); }
  // Adds a row with its key and every other column Null; returns it for filling.
  Row& AddRow(const std::string& table, const std::string& key);
  // The rows of a table whose key equals `key` exactly.
  std::vector<Row> RowsOf(const std::string& table, const std::string& key);

  std::map<std::string, MemoryTable> tables;
  // "open <query>", "add <table>", "update <table> <ordinal>", "set <table> <ordinal>",
  // "close <table>".
  std::vector<std::string> calls;
  // Failures injected by table and ordinal: reading or writing that column raises.
  std::set<std::pair<std::string, int>> failingReads;
  std::set<std::pair<std::string, int>> failingUpdates;
  // Queries whose recordset reports a record count of -1.
  std::set<std::string> brokenQueries;
  std::string lastError;
};

// A clock that moves one second on at every reading, so that texts composed at
// different moments can be told apart.
class SteppingClock : public Clock {
 public:
  LocalTime Now() override;
  LocalTime next{2003, 2, 14, 9, 5, 30};
};

}  // namespace korvane::inventory_test

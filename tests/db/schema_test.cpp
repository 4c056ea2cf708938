// Installing the schema: a new SQLite directory gets its file, and every dialect creates
// the same tables, with their columns at the scanner's ordinals and an index on each key.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "inventory/query_texts.h"
#include "platform/db/schema_install.h"
#include "scan/conversions.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

// What a schema creates: each table's columns in order, and the column its index is on.
struct Created {
  std::map<std::string, std::vector<std::string>> columns;
  std::map<std::string, std::string> indexedColumn;
  bool operator==(const Created&) const = default;
};

// Read from the statements of a dialect, one column a line: CREATE TABLE name (column
// type..., ...) and CREATE INDEX name ON table (column).
Created FromStatements(db::SchemaDialect dialect) {
  Created c;
  const std::regex table(R"(CREATE TABLE (?:IF NOT EXISTS )?(\w+) \(([\s\S]*)\)$)");
  const std::regex column(R"((\w+) [\w()]+[^\n]*)");
  const std::regex index(R"(CREATE INDEX (?:IF NOT EXISTS )?\w+ ON (\w+) \((\w+)\)$)");
  for (const std::string& statement : db::SchemaStatements(db::SchemaText(dialect))) {
    std::smatch m;
    if (std::regex_search(statement, m, index)) c.indexedColumn[m[1]] = m[2];
    if (!std::regex_search(statement, m, table)) continue;
    const std::string body = m[2];
    for (std::sregex_iterator i(body.begin(), body.end(), column), end; i != end; ++i) {
      c.columns[m[1]].push_back((*i)[1]);
    }
  }
  return c;
}

// The five tables with their columns at the scanner's ordinals, each indexed on its key.
TEST(Schema, EveryDialectCreatesTheSameTablesColumnsAndKeyIndexes) {
  TempDir parent;
  const std::string directory = (parent / "inventories" / "site one").string();
  InstallSchema(directory);  // the directory is created
  ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(directory) / "DrevantaAsset.sqlite"));
  const Inventory installed(InventoryBackend::Sqlite, directory);
  Created sqlite;
  for (const auto& table : installed.Rows("SELECT name FROM sqlite_master WHERE type = 'table'")) {
    const std::string name = ToText(table[0]);
    for (const auto& column : installed.Rows("SELECT name FROM pragma_table_info('" + name + "') ORDER BY cid")) {
      sqlite.columns[name].push_back(ToText(column[0]));
    }
  }
  for (const auto& index : installed.Rows(
           "SELECT m.tbl_name, i.name FROM sqlite_master m, pragma_index_info(m.name) i "
           "WHERE m.type = 'index' AND m.name LIKE 'IX_%'")) {
    sqlite.indexedColumn[ToText(index[0])] = ToText(index[1]);
  }

  ASSERT_EQ(sqlite.columns.size(), 5u);
  const std::vector<std::string>& a = sqlite.columns["Asset"];
  ASSERT_EQ(a.size(), static_cast<std::size_t>(asset::kColumnCount));
  for (int i = 0; i < asset::kColumnCount; ++i) EXPECT_EQ(a[static_cast<std::size_t>(i)], asset::ColumnName(i)) << i;
  EXPECT_EQ(a[asset::ProcessorClockSpeed(4)], "Processor4ClockSpeed");
  EXPECT_EQ(a[asset::DriveSlot(9) + asset::kDriveVolumeSerialNumber], "DriveJVolumeSerialNumber");
  EXPECT_EQ(a[asset::kHistory], "History");
  EXPECT_EQ(sqlite.columns["Software"], (std::vector<std::string>{"SoftComputer", "SoftwareList"}));
  EXPECT_EQ(sqlite.columns["Services"], (std::vector<std::string>{"ServComputer", "ServiceList"}));
  EXPECT_EQ(sqlite.columns["LastAccess"], (std::vector<std::string>{"Computer", "LastAccessTime"}));
  EXPECT_EQ(sqlite.columns["DriveHistory"], (std::vector<std::string>{"DiskComputer", "DiskHistory", "DiskComputerName"}));
  for (const auto& [table, columns] : sqlite.columns) EXPECT_EQ(sqlite.indexedColumn[table], columns[0]) << table;

  for (const auto dialect : {db::SchemaDialect::Sqlite, db::SchemaDialect::PostgreSql, db::SchemaDialect::SqlServer}) {
    EXPECT_EQ(FromStatements(dialect), sqlite) << static_cast<int>(dialect);
  }
}

TEST(Schema, StatementsAreSplitAtSemicolonsOutsideComments) {
  // A comment line that a stray carriage return starts is still a comment.
  EXPECT_EQ(db::SchemaStatements("\r-- note;\nCREATE TABLE T (A INT);\n"),
            std::vector<std::string>{"CREATE TABLE T (A INT)"});
  // A $$-quoted body is one statement with its own semicolons.
  EXPECT_EQ(db::SchemaStatements("DO $$\nBEGIN\n  NULL;\nEND $$;\nCREATE TABLE T (A INT);\n"),
            (std::vector<std::string>{"DO $$\nBEGIN\n  NULL;\nEND $$", "CREATE TABLE T (A INT)"}));
  // Each SQL Server statement tests first whether its object exists.
  for (const auto& s : db::SchemaStatements(db::SchemaText(db::SchemaDialect::SqlServer))) {
    EXPECT_EQ(s.rfind("IF ", 0), 0u) << s;
  }
}

}  // namespace
}  // namespace korvane::test

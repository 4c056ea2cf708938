// Installing the schema: a new SQLite directory gets its file, and every dialect creates
// the same tables, with their columns at the scanner's ordinals and an index on each key.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
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

std::string WordAfter(const std::string& text, std::size_t& at) {
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  const std::size_t start = at;
  while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_')) ++at;
  return text.substr(start, at - start);
}

// Read from the statements of a dialect: CREATE TABLE name (column type..., ...) and
// CREATE INDEX name ON table (column).
Created FromStatements(const std::vector<std::string>& statements) {
  Created c;
  for (const std::string& s : statements) {
    std::size_t at = s.find("CREATE TABLE ");
    if (at != std::string::npos) {
      at += 13;
      std::string name = WordAfter(s, at);
      if (name == "IF") {  // IF NOT EXISTS
        WordAfter(s, at);
        WordAfter(s, at);
        name = WordAfter(s, at);
      }
      std::size_t open = s.find('(', at);
      int depth = 0;
      bool columnNext = true;
      for (std::size_t i = open + 1; i < s.size(); ++i) {
        if (s[i] == '(') ++depth;
        if (s[i] == ')' && depth-- == 0) break;
        if (s[i] == ',' && depth == 0) {
          columnNext = true;
        } else if (columnNext && !std::isspace(static_cast<unsigned char>(s[i]))) {
          c.columns[name].push_back(WordAfter(s, i));
          columnNext = false;
          --i;
        }
      }
    }
    at = s.find("CREATE INDEX ");
    if (at != std::string::npos) {
      const std::size_t on = s.find(" ON ", at);
      std::size_t from = on + 4;
      const std::string table = WordAfter(s, from);
      from = s.find('(', from) + 1;
      c.indexedColumn[table] = WordAfter(s, from);
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
  EXPECT_EQ(a[asset::kComputer], "Computer");
  EXPECT_EQ(a[asset::kManufacturer], "Manufacturer");
  EXPECT_EQ(a[asset::ProcessorClockSpeed(4)], "Processor4ClockSpeed");
  EXPECT_EQ(a[asset::kTotalPhysicalMemory], "TotalPhysicalMemory");
  EXPECT_EQ(a[asset::kSerialNumber], "SerialNumber");
  EXPECT_EQ(a[asset::kUserName], "UserName");
  EXPECT_EQ(a[asset::kIPAddress], "IPAddress");
  EXPECT_EQ(a[asset::DriveSlot(2) + asset::kDriveFileSystem], "DriveCFileSystem");
  EXPECT_EQ(a[asset::DriveSlot(9) + asset::kDriveVolumeSerialNumber], "DriveJVolumeSerialNumber");
  EXPECT_EQ(a[asset::kHistory], "History");
  EXPECT_EQ(sqlite.columns["Software"], (std::vector<std::string>{"SoftComputer", "SoftwareList"}));
  EXPECT_EQ(sqlite.columns["Services"], (std::vector<std::string>{"ServComputer", "ServiceList"}));
  EXPECT_EQ(sqlite.columns["LastAccess"], (std::vector<std::string>{"Computer", "LastAccessTime"}));
  EXPECT_EQ(sqlite.columns["DriveHistory"], (std::vector<std::string>{"DiskComputer", "DiskHistory", "DiskComputerName"}));
  for (const auto& [table, columns] : sqlite.columns) EXPECT_EQ(sqlite.indexedColumn[table], columns[0]) << table;

  for (const auto dialect : {db::SchemaDialect::Sqlite, db::SchemaDialect::PostgreSql, db::SchemaDialect::SqlServer}) {
    EXPECT_EQ(FromStatements(db::SchemaStatements(db::SchemaText(dialect))), sqlite) << static_cast<int>(dialect);
  }
}

TEST(Schema, StatementsAreSplitAtSemicolonsOutsideComments) {
  // A comment line that a stray carriage return starts is still a comment.
  EXPECT_EQ(db::SchemaStatements("\r-- note;\nCREATE TABLE T (A INT);\n"),
            std::vector<std::string>{"CREATE TABLE T (A INT)"});
  // Each SQL Server statement tests first whether its object exists.
  for (const auto& s : db::SchemaStatements(db::SchemaText(db::SchemaDialect::SqlServer))) {
    EXPECT_EQ(s.rfind("IF ", 0), 0u) << s;
  }
}

}  // namespace
}  // namespace korvane::test

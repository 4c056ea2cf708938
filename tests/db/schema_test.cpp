// Installing the schema: a new SQLite directory gets its file with an index on each key,
// and every dialect splits into its statements.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/db/schema_install.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

TEST(Schema, ANewSqliteDirectoryGetsItsFileWithAnIndexOnEachKey) {
  TempDir parent;
  const std::string directory = (parent / "inventories" / "site one").string();
  InstallSchema(directory);  // the directory is created
  ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(directory) / "DrevantaAsset.sqlite"));
  const Inventory created(InventoryBackend::Sqlite, directory);
  EXPECT_EQ(created.Rows("SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE 'IX_%'").size(), 5u);
}

TEST(Schema, EveryDialectSplitsIntoItsStatements) {
  // Five tables and five indexes each; PostgreSQL enables citext first.
  EXPECT_EQ(db::SchemaStatements(db::SchemaText(db::SchemaDialect::Sqlite)).size(), 10u);
  EXPECT_EQ(db::SchemaStatements(db::SchemaText(db::SchemaDialect::PostgreSql)).size(), 11u);
  EXPECT_EQ(db::SchemaStatements(db::SchemaText(db::SchemaDialect::SqlServer)).size(), 10u);
  // A comment line that a stray carriage return starts is still a comment.
  EXPECT_EQ(db::SchemaStatements("\r-- note;\nCREATE TABLE T (A INT);\n"),
            std::vector<std::string>{"CREATE TABLE T (A INT)"});
  for (const auto& s : db::SchemaStatements(db::SchemaText(db::SchemaDialect::SqlServer))) {
    EXPECT_EQ(s.rfind("IF ", 0), 0u) << s;
  }
}

}  // namespace
}  // namespace korvane::test

// The installed schema: the five tables with their columns at the ordinals the scanner
// uses, on a new SQLite directory and on PostgreSQL, and installing twice is harmless.
#include <gtest/gtest.h>

#include <filesystem>

#include "inventory/query_texts.h"
#include "platform/db/schema_install.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

void ExpectInventoryLayout(Connection& conn) {
  const std::vector<std::pair<std::string, int>> tables = {
      {kAllAssetQuery, asset::kColumnCount}, {kAllSoftwareQuery, 2}, {kAllServicesQuery, 2},
      {kAllLastAccessQuery, 2}, {"SELECT * From DriveHistory", 3}};
  for (const auto& [query, columns] : tables) {
    EXPECT_EQ(conn.OpenRecordset(query)->FieldCount(), columns) << query;
  }
  auto asset = conn.OpenRecordset(kAllAssetQuery);
  auto name = [&](int ordinal) {
    std::string n = asset->FieldName(ordinal);
    for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return n;
  };
  EXPECT_EQ(name(asset::kComputer), "computer");
  EXPECT_EQ(name(asset::kSerialNumber), "serialnumber");
  EXPECT_EQ(name(asset::kUserName), "username");
  EXPECT_EQ(name(28), "reserved1");
  EXPECT_EQ(name(29), "reserved2");
  EXPECT_EQ(name(asset::kIPAddress), "ipaddress");
  EXPECT_EQ(name(asset::DriveSlot(2)), "driveccaption");
  EXPECT_EQ(name(asset::DriveSlot(9) + asset::kDriveVolumeSerialNumber), "drivejvolumeserialnumber");
  EXPECT_EQ(name(91), "reserved3");
  EXPECT_EQ(name(asset::kHistory), "history");
}

TEST(Schema, ANewSqliteDirectoryGetsTheFiveTablesAndAgainChangesNothing) {
  TempDir parent;
  const std::string directory = (parent / "inventories" / "site one").string();
  InstallSchema(directory);  // the directory is created
  ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(directory) / "DrevantaAsset.sqlite"));
  Inventory existing;  // also through the fixture
  auto conn = existing.Connect();
  conn->OpenRecordset(kAllLastAccessQuery)->AddNew(Variant("PC01"));
  InstallSchema(existing.DataSource());
  EXPECT_EQ(existing.RowsOf("LastAccess", "PC01").size(), 1u);
  ExpectInventoryLayout(*existing.Connect());
  // Each key has its index.
  EXPECT_EQ(existing.Rows("SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE 'IX_%'").size(), 5u);
}

TEST(Schema, PostgresHasTheSameLayoutAndInstallingAgainIsHarmless) {
  KORVANE_SKIP_UNLESS_AVAILABLE(InventoryBackend::Postgres);
  InstallSchema(PostgresDsn());
  Inventory inventory(InventoryBackend::Postgres);
  ExpectInventoryLayout(*inventory.Connect());
}

TEST(Schema, EveryDialectSplitsIntoItsStatements) {
  // Five tables and five indexes each; PostgreSQL enables citext first.
  EXPECT_EQ(db::SchemaStatements(db::SchemaText(db::SchemaDialect::Sqlite)).size(), 10u);
  EXPECT_EQ(db::SchemaStatements(db::SchemaText(db::SchemaDialect::PostgreSql)).size(), 11u);
  EXPECT_EQ(db::SchemaStatements(db::SchemaText(db::SchemaDialect::SqlServer)).size(), 10u);
  for (const auto& s : db::SchemaStatements(db::SchemaText(db::SchemaDialect::SqlServer))) {
    EXPECT_EQ(s.rfind("IF ", 0), 0u) << s;
  }
}

}  // namespace
}  // namespace korvane::test

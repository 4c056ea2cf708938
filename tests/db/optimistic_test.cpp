// On ODBC servers other than PostgreSQL a row is found again by its key and the values
// its changed columns held when read. The SQLite ODBC driver, when installed, stands in
// for such a server here.
#include <gtest/gtest.h>

#include <algorithm>

#include "inventory/query_texts.h"
#include "platform/db/odbc_engine.h"
#include "platform/db/odbc_support.h"
#include "platform/runtime_error.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::db {
namespace {

TEST(OptimisticRows, UpdatesFindTheRowByKeyAndChangedValuesAndFailWhenOneOfThemChanged) {
  if (std::ranges::count(odbc::DriverNames(), "SQLite3") == 0) {
    GTEST_SKIP() << "the SQLite3 ODBC driver (libsqliteodbc) is not installed";
  }
  test::Inventory inventory;
  const std::string odbc = "DRIVER=SQLite3;Database=" + inventory.SqliteFile();
  auto conn = OpenOdbcConnection(odbc);
  ASSERT_EQ(OdbcDbmsName(odbc), "SQLite");

  // This engine gets the query texts unchanged, so they are written without N here.
  auto all = conn->OpenRecordset(kAllAssetQuery);
  all->AddNew(Variant("PC01"));
  all->Update(asset::kManufacturer, Variant("Dell Inc."));
  all->Update(asset::kTotalPhysicalMemory, Variant(int32_t{511}));
  all->SetField(asset::kModel, Variant("GX270"));
  all->Update(asset::kProcessor1Name + 1, Variant(2793.0));

  const std::string query = "SELECT *, Computer AS Expr1 From Asset WHERE (Computer = 'pc01')";
  auto rs = conn->OpenRecordset(query);
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Field(asset::kModel), Variant("GX270"));
  rs->Update(asset::kHistory, Variant(std::string(6000, 'h')));
  rs->Update(asset::kDomain, Variant("corp"));  // found again after a long-text change

  // Another writer changes another column: the stale recordset still stores its change;
  // once the other writer changed the same column, it can no longer.
  auto other = conn->OpenRecordset(query);
  other->Update(asset::kManufacturer, Variant("HP"));
  rs->Update(asset::kModel, Variant("Other"));
  other->Update(asset::kSerialNumber, Variant("S1"));
  EXPECT_THROW(rs->Update(asset::kSerialNumber, Variant("S2")), RuntimeError);

  const auto rows = inventory.RowsOf("Asset", "PC01");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][asset::kManufacturer], Variant("HP"));
  EXPECT_EQ(rows[0][asset::kModel], Variant("Other"));
  EXPECT_EQ(rows[0][asset::kSerialNumber], Variant("S1"));
  EXPECT_EQ(rows[0][asset::kDomain], Variant("corp"));
  EXPECT_EQ(rows[0][asset::kTotalPhysicalMemory], Variant(int32_t{511}));
  EXPECT_EQ(rows[0][asset::kHistory], Variant(std::string(6000, 'h')));
}

}  // namespace
}  // namespace korvane::db

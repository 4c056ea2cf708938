// How the engines reach rows. A whole-table query is opened only to add a row: it must
// not read the table's rows, yet every observable answer (count, columns, a row read after
// all) stays as if it had. On ODBC servers other than PostgreSQL a row is found again by
// its key and the values its changed columns held when read; the SQLite ODBC driver, when
// installed, stands in for such a server here.
#include <gtest/gtest.h>

#include <algorithm>

#include "inventory/query_texts.h"
#include "platform/db/client_recordset.h"
#include "platform/db/engine.h"
#include "platform/db/odbc_engine.h"
#include "platform/db/odbc_support.h"
#include "platform/runtime_error.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::db {
namespace {

// An engine over an in-memory table that counts what it is asked to do.
class CountingEngine : public Engine {
 public:
  std::string AdaptQuery(const std::string& query) override { return query; }
  FetchResult Fetch(const std::string&, bool) override {
    ++fetches;
    FetchResult result;
    result.columns = Describe("t");
    for (std::size_t i = 0; i < rows.size(); ++i) result.rows.push_back({rows[i], std::to_string(i)});
    return result;
  }
  std::vector<ColumnInfo> Describe(const std::string&) override {
    return {{"Computer", 255, true}, {"LastAccessTime", 255, true}};
  }
  int64_t CountRows(const std::string&) override { return static_cast<int64_t>(rows.size()); }
  std::string Insert(const std::string&, const std::string&, const Variant& key) override {
    rows.push_back({key, Variant::Null()});
    return std::to_string(rows.size() - 1);
  }
  std::string UpdateRow(const std::string&, const std::vector<ColumnInfo>&, const std::vector<Variant>&,
                        const std::string& locator, const ColumnChanges&) override {
    return locator;
  }
  void Execute(const std::string&) override {}

  std::vector<std::vector<Variant>> rows;
  int fetches = 0;
};

TEST(WholeTable, AddingARowReadsNoRowsButCountsAndDescribesTheTable) {
  auto engine = std::make_shared<CountingEngine>();
  for (int i = 0; i < 1000; ++i) engine->rows.push_back({Variant("PC" + std::to_string(i)), Variant("t")});
  EngineConnection connection(engine);

  // (What a whole-table recordset answers is the contract suite's; here, what it costs.)
  auto rs = connection.OpenRecordset(kAllLastAccessQuery);
  EXPECT_EQ(rs->RecordCount(), 1000);
  rs->AddNew(Variant("NEW"));
  rs->Update(1, Variant("2003/02/14 09:05:30"));
  EXPECT_EQ(engine->fetches, 0);

  // Reading a row of a whole-table recordset fetches the rows then, once.
  auto reader = connection.OpenRecordset(kAllLastAccessQuery);
  EXPECT_EQ(engine->fetches, 0);
  EXPECT_EQ(reader->Field(0), Variant("PC0"));
  EXPECT_TRUE(reader->MoveNext());
  EXPECT_EQ(reader->Field(0), Variant("PC1"));
  EXPECT_EQ(engine->fetches, 1);
}

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

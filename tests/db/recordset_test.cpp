// The database layer through the interface the scan uses, on every backend: values keep
// their kind (Null is not empty text), each change is stored at once and seen by other
// connections, and the query texts run as the scan sends them.
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <string>

#include "inventory/query_texts.h"
#include "platform/runtime_error.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

class RecordsetTest : public ::testing::TestWithParam<InventoryBackend> {
 protected:
  void SetUp() override {
    KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
    inventory_ = std::make_unique<Inventory>(GetParam());
  }
  Inventory& inv() { return *inventory_; }
  std::unique_ptr<Inventory> inventory_;
};

// An Asset row as AddNew leaves it: the key, every other column Null.
Row KeyOnlyRow(const std::string& name) {
  Row row(asset::kColumnCount, Variant::Null());
  row[asset::kComputer] = Variant(name);
  return row;
}

// A new row holds its key alone; a value set on it waits for the next Update.
TEST_P(RecordsetTest, AddNewStoresTheKeyAloneAndSetFieldWaitsForTheNextUpdate) {
  const std::string name = UniqueComputerName("ADD");
  auto conn = inv().Connect();
  auto all = conn->OpenRecordset(kAllAssetQuery);
  const int32_t before = all->RecordCount();
  ASSERT_GE(before, 0);
  all->AddNew(Variant(name));
  EXPECT_EQ(all->RecordCount(), before + 1);
  EXPECT_EQ(all->Field(asset::kComputer), Variant(name));
  EXPECT_TRUE(all->Field(asset::kHistory).IsNull());
  all->SetField(asset::kModel, Variant("GX270"));
  EXPECT_EQ(all->Field(asset::kModel), Variant("GX270"));
  Row expected = KeyOnlyRow(name);
  EXPECT_EQ(inv().RowsOf("Asset", name), std::vector<Row>{expected});
  all->Update(asset::kManufacturer, Variant("Dell Inc."));
  expected[asset::kManufacturer] = Variant("Dell Inc.");
  expected[asset::kModel] = Variant("GX270");
  EXPECT_EQ(inv().RowsOf("Asset", name), std::vector<Row>{expected});
  // DiskHistory is bounded and says so; History is not.
  EXPECT_EQ(conn->OpenRecordset("SELECT * From DriveHistory")->DefinedSize(drive_history::kDiskHistory), 4000);
  EXPECT_GT(all->DefinedSize(asset::kHistory), 1000000);
}

TEST_P(RecordsetTest, ValuesKeepTheirKindNullIsNotEmptyTextAndFailuresAreRuntimeErrors) {
  const std::string name = UniqueComputerName("KIND");
  auto conn = inv().Connect();
  conn->OpenRecordset(kAllAssetQuery)->AddNew(Variant(name));

  auto rs = conn->OpenRecordset(AssetQuery(name));
  ASSERT_EQ(rs->RecordCount(), 1);
  // The per-computer query returns the table's columns and then Expr1.
  EXPECT_EQ(rs->FieldCount(), asset::kColumnCount + 1);
  // Texts of any size, such as a whole software list, come back unchanged.
  std::string history;
  for (int i = 0; history.size() < 200000; ++i) history += "Program " + std::to_string(i) + "\xC2\xA7" "1.0^";
  // Null goes into number columns too (a drive that is gone).
  const int driveJSize = asset::DriveSlot(9) + asset::kDriveSize;
  const std::vector<std::pair<int, Variant>> updates = {
      {asset::kModel, Variant("")}, {asset::kProcessor1Name + 1, Variant(2793.5)},
      {asset::kTotalPhysicalMemory, Variant(int32_t{511})},
      {asset::kFreePhysicalMemory, Variant(int32_t{-7})}, {asset::kDomain, Variant("corp")},
      {asset::kDomain, Variant::Null()}, {driveJSize, Variant(100.5)}, {driveJSize, Variant::Null()},
      {asset::kOSCaption, Variant("Caf\xC3\xA9 \xC2\xA7 O'Brien")}, {asset::kHistory, Variant(history)}};
  Row expected = KeyOnlyRow(name);
  for (const auto& [ordinal, value] : updates) {
    rs->Update(ordinal, value);
    expected[static_cast<std::size_t>(ordinal)] = value;
  }

  // The recordset shows what it stored, and a second connection reads the same.
  Row shown;
  for (int i = 0; i < asset::kColumnCount; ++i) shown.push_back(rs->Field(i));
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(inv().RowsOf("Asset", name), std::vector<Row>{expected});

  // Failures are runtime errors.
  EXPECT_THROW(conn->OpenRecordset("SELECT * From NoSuchTable"), RuntimeError);
  auto none = conn->OpenRecordset(AssetQuery(UniqueComputerName("NONE")));
  EXPECT_EQ(none->RecordCount(), 0);
  EXPECT_THROW(none->Field(0), RuntimeError);
  EXPECT_THROW(none->Update(1, Variant("x")), RuntimeError);
}

// A change is stored only while the key and the columns it writes are as they were read
// (a recordset neither sees another connection's change nor overwrites it); other
// columns may change meanwhile. An Update that would leave the row as it is stores
// nothing, and so cannot find that another writer came first.
TEST_P(RecordsetTest, ChangesNeedTheRowAsReadAndUpdatesThatChangeNothingStoreNothing) {
  const std::string name = UniqueComputerName("OPT");
  const int clock = asset::kProcessor1Name + 1;
  auto conn = inv().Connect();
  auto all = conn->OpenRecordset(kAllAssetQuery);
  all->AddNew(Variant(name));
  all->Update(asset::kDomain, Variant("corp"));
  all->Update(asset::kTotalPhysicalMemory, Variant(int32_t{511}));
  all->Update(clock, Variant(2793.0));

  auto rs = conn->OpenRecordset(AssetQuery(name));
  ASSERT_EQ(rs->RecordCount(), 1);
  conn->OpenRecordset(AssetQuery(name))->Update(asset::kManufacturer, Variant("HP"));
  rs->Update(asset::kDomain, Variant("corp"));
  rs->Update(asset::kTotalPhysicalMemory, Variant(int32_t{511}));
  rs->Update(clock, Variant(2793.0));
  rs->Update(clock, Variant(int32_t{2793}));
  rs->Update(asset::kModel, Variant::Null());
  rs->Update(asset::kModel, Variant());
  // Another writer changed only another column: the change is stored, twice over.
  rs->Update(clock, Variant(2800.25));
  rs->Update(clock, Variant(2793.0));
  // Text differing in case only, and a number given as text, are changes: each is tried,
  // and refused because another writer changed that column since it was read.
  for (const auto& [ordinal, value, other] :
       {std::tuple<int, Variant, Variant>{asset::kDomain, Variant("CORP"), Variant("lab")},
        {asset::kTotalPhysicalMemory, Variant("511"), Variant(int32_t{512})},
        {asset::kModel, Variant(""), Variant("x")}, {clock, Variant(2793.5), Variant(2793.25)}}) {
    auto stale = conn->OpenRecordset(AssetQuery(name));
    const Variant seen = stale->Field(ordinal);
    auto writer = inv().Connect()->OpenRecordset(AssetQuery(name));
    writer->Update(ordinal, other);
    EXPECT_EQ(stale->Field(ordinal), seen);
    EXPECT_THROW(stale->Update(ordinal, value), RuntimeError) << ordinal;
    EXPECT_THROW(stale->Update(asset::kBootDevice, Variant("disk0")), RuntimeError) << ordinal;
    EXPECT_THROW(stale->Close(), RuntimeError) << ordinal;
    writer->Update(ordinal, seen);
  }
  // A change set before an Update of an unchanged value is stored by it.
  auto fresh = conn->OpenRecordset(AssetQuery(name));
  fresh->SetField(asset::kModel, Variant("GX270"));
  fresh->Update(asset::kDomain, Variant("corp"));

  const auto rows = inv().RowsOf("Asset", name);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][asset::kManufacturer], Variant("HP"));
  EXPECT_EQ(rows[0][asset::kDomain], Variant("corp"));
  EXPECT_EQ(rows[0][asset::kTotalPhysicalMemory], Variant(int32_t{511}));
  EXPECT_EQ(rows[0][asset::kModel], Variant("GX270"));
  EXPECT_EQ(rows[0][clock], Variant(2793.0));
  EXPECT_TRUE(rows[0][asset::kBootDevice].IsNull());
}

// Keys fold in every script, not only ASCII; keys that only start alike do not match.
// (Which of several matching rows comes first is the backend's choice.) Apostrophes and
// an N' inside the literal are just text: the N prefix is dropped outside quotes only.
TEST_P(RecordsetTest, KeysFoldTheLetterCaseOfEveryScript) {
  const std::string id = UniqueComputerName("O'N'EIL N'x");
  auto conn = inv().Connect();
  for (const std::string& key : {"pc-\xC3\x84rzte'" + id, "PD-\xC3\xA4RZTE'" + id, "PC-\xC3\xA4RZTE'" + id + "X",
                                "Pc-\xC3\xA4rZTE'" + id, "\xC3\x84\xCE\xA3" + id, "\xC3\xA4\xCF\x83" + id}) {
    conn->OpenRecordset(kAllLastAccessQuery)->AddNew(Variant(key));
  }
  auto rs = conn->OpenRecordset(LastAccessQuery("PC-\xC3\xA4Rzte'" + id));
  ASSERT_EQ(rs->RecordCount(), 2);
  // The first row is current; updating it again finds it (its locator follows the update).
  rs->Update(last_access::kLastAccessTime, Variant("2003/02/14 09:05:30"));
  rs->Update(last_access::kLastAccessTime, Variant("2003/02/15 10:00:00"));
  std::set<std::string> found{rs->Field(0).text()};
  ASSERT_TRUE(rs->MoveNext());
  found.insert(rs->Field(0).text());
  EXPECT_FALSE(rs->MoveNext());
  EXPECT_THROW(rs->Field(0), RuntimeError);
  EXPECT_EQ(found, (std::set<std::string>{"pc-\xC3\x84rzte'" + id, "Pc-\xC3\xA4rZTE'" + id}));
  const auto rows = inv().RowsOf("LastAccess", "PC-\xC3\xA4Rzte'" + id);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0][1].IsNull(), rows[1][1].IsNull());
  EXPECT_TRUE(rows[0][1] == Variant("2003/02/15 10:00:00") || rows[1][1] == Variant("2003/02/15 10:00:00"));
  EXPECT_EQ(conn->OpenRecordset(LastAccessQuery("\xC3\xA4\xCF\x83" + id))->RecordCount(), 2);
  // A name that tries to end the literal finds nothing.
  EXPECT_EQ(conn->OpenRecordset(LastAccessQuery("x') OR (1=1"))->RecordCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordsetTest, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

}  // namespace
}  // namespace korvane::test

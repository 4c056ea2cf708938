// The database slots and the last-access stage inside the test process: what a slot
// holds after an open, and the two ways an open gives up (a failed open and a record
// count of -1), each logged once before the scan ends.
#include <gtest/gtest.h>

#include "scan/korvane.h"
#include "inventory/db_slots.h"
#include "inventory/query_texts.h"
#include "platform/db/database_server.h"
#include "reach/last_access.h"
#include "tests/support/doubles.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

// A database whose recordsets report a record count of -1, as a provider that could not
// tell does; the connection knows of no error.
class UncountedDatabase : public DatabaseServer {
  class Rs : public Recordset {
   public:
    int32_t RecordCount() override { return -1; }
    void AddNew(const Variant&) override {}
    void Update(int, const Variant&) override { ++updates; }
    Variant Field(int) override { return Variant::Null(); }
    void SetField(int, const Variant&) override {}
    int32_t DefinedSize(int) override { return 0; }
    int FieldCount() override { return 0; }
    std::string FieldName(int) override { return {}; }
    bool MoveNext() override { return false; }
    void Close() override {}
    int updates = 0;
  };
  class Conn : public Connection {
   public:
    std::unique_ptr<Recordset> OpenRecordset(const std::string&) override {
      return std::make_unique<Rs>();
    }
    void Execute(const std::string&) override {}
    std::string LastErrorDescription() override { return ""; }
  };

 public:
  std::unique_ptr<Connection> Open(const std::string&) override { return std::make_unique<Conn>(); }
};

struct InProcessScan {
  InProcessScan(DatabaseServer* database, const std::string& server) {
    k.platform.database = database;
    k.ctx.ComputerName = "PC01";
    k.ctx.ConsoleListBox = 7;
    k.ctx.TempDir = "T";
    k.ctx.ConnectionString = MakeConnectionString(server);
  }
  // The log lines without their time stamps.
  std::vector<std::string> Log() {
    std::vector<std::string> entries;
    for (const auto& line : process.files["T\\DrevantaAssetDB.log"]) {
      entries.push_back(line.substr(line.find(',') + 1));
    }
    return entries;
  }
  TestProcess process;
  RecordingConsole console;
  FixedClock clock;
  Korvane k{Platform{&process, &console, &clock, nullptr, nullptr}};
};

TEST(DatabaseSlots, AnOpenSlotHoldsAUsableRecordsetAndReopeningReplacesIt) {
  Inventory inventory;
  auto database = MakeDatabaseServer();
  InProcessScan scan(database.get(), inventory.DataSource());
  Korvane& k = scan.k;

  k.ctx.SQL1 = AssetQuery("PC01");
  OpenRecordset1(k);
  ASSERT_TRUE(k.ctx.RS1);
  EXPECT_EQ(k.ctx.RS1->RecordCount(), 0);
  EXPECT_EQ(k.ctx.RS1->FieldCount(), asset::kColumnCount + 1);  // with Expr1

  k.ctx.SQL1 = kAllAssetQuery;
  OpenRecordset1(k);
  EXPECT_EQ(k.ctx.RS1->FieldCount(), asset::kColumnCount);  // the new query's recordset
  k.ctx.RS1->AddNew(Variant("PC01"));

  k.ctx.SQL2 = SoftwareQuery("PC01");
  k.ctx.SQL3 = ServicesQuery("PC01");
  OpenRecordset2(k);
  OpenRecordset3(k);
  EXPECT_EQ(k.ctx.RS2->RecordCount(), 0);
  EXPECT_EQ(k.ctx.RS3->RecordCount(), 0);
  k.ctx.SQL1 = AssetQuery("PC01");
  OpenRecordset1(k);
  EXPECT_EQ(k.ctx.RS1->RecordCount(), 1);
  EXPECT_TRUE(scan.Log().empty());
  EXPECT_EQ(scan.process.ended, 0);
}

TEST(DatabaseSlots, AFailedOpenAndARecordCountOfMinusOneAreLoggedDifferently) {
  // A server that cannot be reached: the computer name and the description.
  auto database = MakeDatabaseServer();
  InProcessScan unreachable(database.get(), "no-such-server.invalid");
  unreachable.k.ctx.SQL2 = SoftwareQuery("PC01");
  EXPECT_THROW(OpenRecordset2(unreachable.k), ProcessEndedForTest);
  auto log = unreachable.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("Error updating database,PC01:", 0), 0u) << log[0];
  EXPECT_GT(log[0].size(), std::string("Error updating database,PC01:").size());
  EXPECT_EQ(unreachable.console.Delivered(), std::vector<std::string>{"PC01,Complete"});

  // A count of -1 with no error: the connection string and a blank.
  UncountedDatabase uncounted;
  InProcessScan minusOne(&uncounted, "SQLSRV");
  minusOne.k.ctx.SQL3 = ServicesQuery("PC01");
  EXPECT_THROW(OpenRecordset3(minusOne.k), ProcessEndedForTest);
  EXPECT_EQ(minusOne.Log(), std::vector<std::string>{
                                "Error connecting to SQL database," +
                                MakeConnectionString("SQLSRV") + " "});
  EXPECT_EQ(minusOne.console.Delivered(), std::vector<std::string>{"PC01,Complete"});
}

TEST(LastAccessStage, ARecordCountOfMinusOneLogsTheNameAndAnEmptyDescription) {
  UncountedDatabase uncounted;
  InProcessScan scan(&uncounted, "SQLSRV");
  scan.k.ctx.PingOK = true;
  EXPECT_THROW(UpdateLastAccess(scan.k), ProcessEndedForTest);
  EXPECT_EQ(scan.Log(), std::vector<std::string>{"Error updating last access database,PC01:"});
  EXPECT_EQ(scan.console.Delivered(), std::vector<std::string>{"PC01,Complete"});
}

}  // namespace
}  // namespace korvane::test

// The database slots and the last-access stage inside the test process: the two ways an
// open gives up (a failed open and a record count of -1), each logged once before the
// scan ends.
#include <gtest/gtest.h>

#include "scan/korvane.h"
#include "inventory/db_slots.h"
#include "inventory/query_texts.h"
#include "platform/db/database_server.h"
#include "reach/last_access.h"
#include "tests/support/doubles.h"
#include "tests/support/memory_db.h"

namespace korvane::test {
namespace {

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

  // A count of -1 with no error: the connection string and a blank, or for the
  // last-access record the computer name and an empty description.
  MemoryDatabase uncounted;
  uncounted.brokenQueries[ServicesQuery("PC01")] = "";
  uncounted.brokenQueries[LastAccessQuery("PC01")] = "";
  InProcessScan minusOne(&uncounted, "SQLSRV");
  minusOne.k.ctx.SQL3 = ServicesQuery("PC01");
  minusOne.k.ctx.PingOK = true;
  EXPECT_THROW(OpenRecordset3(minusOne.k), ProcessEndedForTest);
  EXPECT_THROW(UpdateLastAccess(minusOne.k), ProcessEndedForTest);
  EXPECT_EQ(minusOne.Log(), (std::vector<std::string>{"Error connecting to SQL database," +
                                                          MakeConnectionString("SQLSRV") + " ",
                                                      "Error updating last access database,PC01:"}));
  EXPECT_EQ(minusOne.console.Delivered(), (std::vector<std::string>{"PC01,Complete", "PC01,Complete"}));
}

}  // namespace
}  // namespace korvane::test

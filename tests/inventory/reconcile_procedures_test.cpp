// The reconciliation procedures run in-process against an SQLite inventory, for what
// the end-to-end scans cannot show: the order of the one-column writes, one time stamp
// per entry, rows missing from some tables only, and injected failures. And loading
// software list texts and comparing two lists: the entries and their order must be those
// of the plain nested scan by name, however the comparison is done.
#include <gtest/gtest.h>

#include <memory>

#include "formats/history_text.h"
#include "inventory/db_slots.h"
#include "inventory/drive_history.h"
#include "inventory/query_texts.h"
#include "inventory/software_reconcile.h"
#include "inventory/update_db.h"
#include "platform/db/database_server.h"
#include "reach/last_access.h"
#include "scan/conversions.h"
#include "scan/korvane.h"
#include "tests/support/doubles.h"
#include "tests/support/faulty_db.h"

namespace korvane::test {
namespace {

const std::string S = "\xC2\xA7";

// A clock that moves one second on at every reading, so that texts composed at
// different moments can be told apart.
class SteppingClock : public Clock {
 public:
  LocalTime Now() override {
    const LocalTime now = next;
    next.second = (next.second + 1) % 60;
    return now;
  }
  LocalTime next{2003, 2, 14, 9, 5, 0};
};

// A computer as the collectors would leave it: one processor, drives C: and D:.
MachineSnapshot KnownMachine() {
  MachineSnapshot s;
  s.Manufacturer = "Alpha";
  s.Model = "M1";
  s.Processors[0] = {"Pentium 4", 2400};
  s.TotalPhysicalMemory = 512;
  s.UserName = "CORP\\jsmith";
  s.Drives[2] = {"C:", 38154, 12288, "SYSTEM", "NTFS", "A4B2C3D4"};
  s.Drives[3] = {"D:", 950, 400, "DATA", "NTFS", "11112222"};
  s.SoftwareList = "Office" + S + "11.0" + S + "C:\\Office" + S + "ID1";
  s.ServiceList = "Alerter^Computer Browser";
  return s;
}

// One in-process scan state after another (each a new process) for the computer PC01.
struct Reconciliation {
  Korvane& NewScan(const MachineSnapshot& snap, bool userOnly = false) {
    k = std::make_unique<Korvane>(Platform{&process, &console, &clock, &db, nullptr});
    k->ctx.ComputerName = "PC01";
    k->ctx.ConsoleListBox = 3;
    k->ctx.ConnectionString = db.inventory.ConnectionString();
    k->ctx.TempDir = "T";
    k->ctx.UserOnly = userOnly;
    k->snap = snap;
    return *k;
  }
  // The History entries of PC01's first Asset row, read as the console reads them.
  std::vector<std::pair<std::string, std::string>> Entries() {
    std::vector<std::pair<std::string, std::string>> entries;
    const Variant h = db.inventory.RowsOf("Asset", "PC01").at(0)[asset::kHistory];
    for (const StoredChange& e : ParseHistory(h.IsNull() ? "" : ToText(h))) entries.emplace_back(e.time, e.text);
    return entries;
  }
  std::vector<std::string> Changes() {
    std::vector<std::string> out;
    for (const auto& e : Entries()) out.push_back(e.second);
    return out;
  }
  // The ordinals of the one-column updates of `table`, in order.
  std::vector<int> UpdatesOf(const std::string& table) {
    std::vector<int> out;
    const std::string prefix = "update " + table + " ";
    for (const std::string& call : db.calls) {
      if (call.starts_with(prefix)) out.push_back(std::stoi(call.substr(prefix.size())));
    }
    return out;
  }
  std::vector<std::string> LogLines() { return process.files["T\\DrevantaAssetDB.log"]; }
  std::vector<std::string> LogTexts() {  // without their time stamps
    std::vector<std::string> out;
    for (const std::string& line : LogLines()) out.push_back(line.substr(line.find(',') + 1));
    return out;
  }

  FaultyDatabase db;
  SteppingClock clock;
  TestProcess process;
  RecordingConsole console;
  std::unique_ptr<Korvane> k;
};

TEST(UpdateDB, WritesColumnByColumnInOrderAndStampsEachEntryAfresh) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));
  std::vector<int> expected{92};
  for (int o = 1; o <= 16; ++o) expected.push_back(o);
  expected.push_back(30);
  for (int o = 17; o <= 25; ++o) expected.push_back(o);
  for (int slot = 0; slot < 10; ++slot) {
    const bool present = slot == 2 || slot == 3;
    for (int offset : present ? std::vector<int>{0, 1, 2, 3, 4, 5} : std::vector<int>{0, 1, 2, 3, 5, 4}) {
      expected.push_back(31 + 6 * slot + offset);
    }
  }
  expected.insert(expected.end(), {26, 27});
  EXPECT_EQ(r.UpdatesOf("Asset"), expected);
  const std::vector<std::string> tail(r.db.calls.end() - 3, r.db.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"close Asset", "update Software 1", "update Services 1"}));

  MachineSnapshot second = KnownMachine();
  second.Manufacturer = "Beta";
  second.Model = "m1";
  second.SoftwareList = "Office" + S + "12.0" + S + "C:\\Office" + S + "ID1";
  UpdateDB(r.NewScan(second));
  const auto entries = r.Entries();
  ASSERT_EQ(entries.size(), 4u);
  for (std::size_t i = 1; i < entries.size(); ++i) EXPECT_LT(entries[i - 1].first, entries[i].first);
  EXPECT_TRUE(r.LogLines().empty());
  EXPECT_TRUE(r.console.Delivered().empty());
}

// What a stored text field against a collected one writes: a pinned value ("^" first)
// is never compared, a Null never counts, empty text on either side reads "nothing". (A
// change, no change and a pinned value show in the scans of three days end to end.)
TEST(CompareAsset, PinnedValuesNullsAndNothingOneCaseEach) {
  struct Case {
    const char* name;
    Variant stored;
    std::string collected;
    std::vector<std::string> changes;
  };
  const std::vector<Case> cases{
      {"a caret alone pins", Variant("^"), "Beta", {}},
      {"a caret later does not pin", Variant("Alpha^"), "Beta", {"Manufacturer changed from Alpha^ To Beta"}},
      {"stored Null", Variant::Null(), "Beta", {}},
      {"stored empty", Variant(""), "Beta", {"Manufacturer changed from nothing To Beta"}},
      {"collected empty", Variant("Alpha"), "", {"Manufacturer changed from Alpha To nothing"}},
      {"pinned and collected empty", Variant("^Alpha"), "", {}},
  };
  for (const Case& c : cases) {
    Reconciliation r;
    UpdateDB(r.NewScan(KnownMachine()));
    r.db.inventory.Execute("UPDATE Asset SET Manufacturer = " +
                           (c.stored.IsNull() ? "NULL" : "'" + QuoteInLiteral(ToText(c.stored)) + "'"));
    MachineSnapshot next = KnownMachine();
    next.Manufacturer = c.collected;
    UpdateDB(r.NewScan(next));
    std::vector<std::string> changes = r.Changes();
    changes.erase(changes.begin());  // "New Record Created"
    EXPECT_EQ(changes, c.changes) << c.name;
  }
}

TEST(UpdateDB, FailuresAreSkippedSilentlyExceptTheFinalListWrites) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));
  MachineSnapshot changed = KnownMachine();
  changed.Manufacturer = "Beta";
  changed.Domain = "other";
  changed.TotalPhysicalMemory = 2048;
  changed.ServiceList = "Alerter";
  r.db.failingReads.insert({"Asset", 3});       // Domain cannot be read
  r.db.failingUpdates.insert({"Software", 1});  // nor the software list written
  UpdateDB(r.NewScan(changed));
  // The comparison ended at Domain; the columns after it were written all the same.
  EXPECT_EQ(r.Changes().back(), "Manufacturer changed from Alpha To Beta");
  const Row a = r.db.inventory.RowsOf("Asset", "PC01").at(0);
  EXPECT_EQ(a[3], Variant(""));  // as the first scan left it
  EXPECT_EQ(a[17], Variant(2048));
  ASSERT_EQ(r.LogLines().size(), 1u);
  EXPECT_TRUE(r.LogLines()[0].ends_with(",Error updating database,PC01:Injected failure writing column 1"));
  EXPECT_EQ(r.console.Delivered(), std::vector<std::string>{"PC01,Complete"});
  EXPECT_EQ(r.k->ctx.RS1, nullptr);
  EXPECT_EQ(r.k->ctx.Conn1, nullptr);
  EXPECT_EQ(r.db.inventory.RowsOf("Services", "PC01")[0][1], Variant("Alerter^Computer Browser"));
}

// The software entries go into the Asset row: when a change of it cannot be stored,
// neither list is, so that the stored list never runs ahead of its history.
TEST(UpdateDB, ListsAreNotStoredWhenAChangeOfTheAssetRowWasNot) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));
  const Row software = r.db.inventory.RowsOf("Software", "PC01").at(0);
  const Row services = r.db.inventory.RowsOf("Services", "PC01").at(0);
  MachineSnapshot changed = KnownMachine();
  changed.SoftwareList = "Office" + S + "12.0" + S + "C:\\Office" + S + "ID1";
  changed.ServiceList = "Alerter";
  changed.UserName = "CORP\\other";
  r.db.failingUpdates.insert({"Asset", 92});  // the first software entry
  UpdateDB(r.NewScan(changed));
  EXPECT_EQ(r.db.inventory.RowsOf("Software", "PC01").at(0), software);
  EXPECT_EQ(r.db.inventory.RowsOf("Services", "PC01").at(0), services);
  ASSERT_EQ(r.LogLines().size(), 1u);
  EXPECT_TRUE(r.LogLines()[0].ends_with(
      ",Error updating database,PC01:Injected failure writing column 92 The software and service lists were not stored."))
      << r.LogLines()[0];
  EXPECT_EQ(r.console.Delivered(), std::vector<std::string>{"PC01,Complete"});
}

TEST(UpdateDB, RowsMissingFromSomeTablesOnly) {
  // No Asset row beside an existing Software row: a second Software row is added, and
  // the first one returned is compared and replaced.
  Reconciliation noAsset;
  noAsset.db.inventory.Execute("INSERT INTO Software (SoftComputer, SoftwareList) VALUES ('PC01', 'Old" + S + "1" + S +
                               S + "')");
  UpdateDB(noAsset.NewScan(KnownMachine()));
  const auto software = noAsset.db.inventory.RowsOf("Software", "PC01");
  ASSERT_EQ(software.size(), 2u);
  EXPECT_EQ(software[0][1], Variant(KnownMachine().SoftwareList));
  EXPECT_EQ(noAsset.db.inventory.RowsOf("Services", "PC01").size(), 1u);
  EXPECT_EQ(noAsset.Changes(), (std::vector<std::string>{"New Record Created", "Software removed : Old",
                                                         "New Software installed : Office"}));

  // Only the Asset and Services rows: a Software row is added, and it is no new record.
  Reconciliation noSoftware;
  noSoftware.db.inventory.Execute("INSERT INTO Asset (Computer, Manufacturer) VALUES ('PC01', 'Alpha')");
  noSoftware.db.inventory.Execute("INSERT INTO Services (ServComputer) VALUES ('PC01')");
  UpdateDB(noSoftware.NewScan(KnownMachine()));
  for (const char* table : {"Asset", "Software", "Services"}) {
    EXPECT_EQ(noSoftware.db.inventory.RowsOf(table, "PC01").size(), 1u) << table;
  }
  EXPECT_EQ(noSoftware.Changes(), std::vector<std::string>{});

  // A user-only first scan creates the three rows and writes only the stamp and user.
  Reconciliation userOnly;
  UpdateDB(userOnly.NewScan(KnownMachine(), true));
  EXPECT_EQ(userOnly.db.inventory.RowsOf("Software", "PC01").size(), 1u);
  EXPECT_EQ(userOnly.db.inventory.RowsOf("Services", "PC01").size(), 1u);
  EXPECT_EQ(userOnly.Changes(), std::vector<std::string>{"New Record Created"});
  EXPECT_EQ(userOnly.UpdatesOf("Asset"), (std::vector<int>{92, 26, 27}));
  EXPECT_TRUE(userOnly.db.inventory.Rows("SELECT * FROM DriveHistory").empty());
}

TEST(DriveHistory, TheBoundDamagedDatesColumnsTooSmallAndRecordsetsThatCannotCount) {
  Reconciliation r;
  Korvane& k = r.NewScan(KnownMachine());
  auto history = [&](const std::string& key) { return r.db.inventory.RowsOf("DriveHistory", key).at(0)[1]; };
  // Three entries do not fit into 40 characters: the oldest goes.
  r.db.definedSizes[{"DriveHistory", 1}] = 40;
  for (const auto& [day, free] : {std::pair{14, 1234}, {15, 1100}, {16, 1050}}) {
    r.clock.next.day = day;
    UpdateDriveHistory(k, "C:", free);
  }
  EXPECT_EQ(history("PC01~C"), Variant("^2003/02/15,1100^2003/02/16,1050"));

  // A damaged last date counts as not today.
  r.db.inventory.Execute(
      "INSERT INTO DriveHistory (DiskComputer, DiskHistory) VALUES ('PC01~F', '^2003/02/16,9^20O3/02/16,8')");
  UpdateDriveHistory(k, "F:", 7);
  EXPECT_EQ(history("PC01~F"), Variant("^2003/02/16,9^20O3/02/16,8^2003/02/16,7"));

  // A column too small for even the new entry keeps what it holds.
  r.db.definedSizes[{"DriveHistory", 1}] = 10;
  r.clock.next.day = 17;
  UpdateDriveHistory(k, "C:", 999);
  EXPECT_EQ(history("PC01~C"), Variant("^2003/02/15,1100^2003/02/16,1050"));

  // A recordset that cannot count ends the scan.
  r.db.brokenQueries[DriveHistoryQuery("PC01", "H")] = "Login failed";
  EXPECT_THROW(UpdateDriveHistory(k, "H:", 5), ProcessEndedForTest);
  ASSERT_EQ(r.LogLines().size(), 1u);
  EXPECT_TRUE(r.LogLines()[0].ends_with(
      ",Error connection to SQL database," + k.ctx.ConnectionString + " Login failed"));
  EXPECT_EQ(r.console.Delivered(), std::vector<std::string>{"PC01,Complete"});
}

// The two ways a database open gives up (a failed open and a record count of -1), each
// logged once before the scan ends.
TEST(DatabaseSlots, AFailedOpenAndARecordCountOfMinusOneAreLoggedDifferently) {
  // A server that cannot be reached: the computer name and the description.
  auto database = MakeDatabaseServer();
  Reconciliation unreachable;
  Korvane& k = unreachable.NewScan(KnownMachine());
  k.platform.database = database.get();
  k.ctx.ConnectionString = MakeConnectionString("no-such-server.invalid");
  k.ctx.SQL2 = SoftwareQuery("PC01");
  EXPECT_THROW(OpenRecordset2(k), ProcessEndedForTest);
  const auto log = unreachable.LogTexts();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("Error updating database,PC01:", 0), 0u) << log[0];
  EXPECT_GT(log[0].size(), std::string("Error updating database,PC01:").size());
  EXPECT_EQ(unreachable.console.Delivered(), std::vector<std::string>{"PC01,Complete"});

  // A count of -1 with no error: the connection string and a blank, or for the
  // last-access record the computer name and an empty description.
  Reconciliation minusOne;
  minusOne.db.brokenQueries[ServicesQuery("PC01")] = "";
  minusOne.db.brokenQueries[LastAccessQuery("PC01")] = "";
  Korvane& m = minusOne.NewScan(KnownMachine());
  m.ctx.SQL3 = ServicesQuery("PC01");
  m.ctx.PingOK = true;
  EXPECT_THROW(OpenRecordset3(m), ProcessEndedForTest);
  EXPECT_THROW(UpdateLastAccess(m), ProcessEndedForTest);
  EXPECT_EQ(minusOne.LogTexts(), (std::vector<std::string>{"Error connecting to SQL database," + m.ctx.ConnectionString + " ",
                                                           "Error updating last access database,PC01:"}));
  EXPECT_EQ(minusOne.console.Delivered(), (std::vector<std::string>{"PC01,Complete", "PC01,Complete"}));
}

std::string Item(const std::string& name, const std::string& version) { return name + S + version + S + S; }

std::vector<std::string> Compare(const SoftwareTable& stored, const SoftwareTable& collected) {
  std::vector<std::string> out;
  CompareSoftwareLists(stored, collected, [&](const std::string& t) { out.push_back(t); });
  return out;
}

TEST(SoftwareList, LoadingFollowsTheItemRules) {
  // Sorted by name; an item without a name is skipped. An empty item ends the load at
  // once, leaving the rows as added; so does a nameless last item, which sends the load
  // back for an item that is empty. A remainder of one character is not an item.
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {Item("Solo", "1"), {"Solo"}},
      {Item("zip", "1") + "^" + Item("", "9") + "^" + Item("Adobe", "2") + "^" + Item("beta", "3"),
       {"Adobe", "beta", "zip"}},
      {Item("B", "2") + "^" + Item("A", "1") + "^^" + Item("C", "3"), {"B", "A"}},
      {Item("B", "2") + "^" + Item("A", "1") + "^" + Item("", "3"), {"B", "A"}},
      {Item("B", "2") + "^" + Item("A", "1") + "^X", {"A", "B"}},
      {Item("B", "2") + "^", {"B"}},
      {"", {}}};
  for (const auto& [text, names] : cases) {
    SoftwareTable table;
    LoadSoftwareList(text, table);
    std::vector<std::string> loaded;
    for (const auto& entry : table) loaded.push_back(entry.Program);
    EXPECT_EQ(loaded, names) << text;
  }
}

// The stored list's entries in its order, each against the first collected entry of the
// same name (letter case counts), then each collected entry whose name was not stored.
TEST(SoftwareCompare, EntriesAndOrderOfTheNestedScan) {
  const SoftwareTable stored{{"Beta", "1", "L", ""}, {"alpha", "1", "", ""}, {"Dup", "1", "", ""},
                             {"Dup", "2", "", ""}, {"Gamma", "1", "L1", "X"}};
  const SoftwareTable collected{{"Gamma", "2", "L2", "Y"}, {"Dup", "1", "", ""}, {"Dup", "3", "", ""},
                                {"Alpha", "1", "", ""}, {"New", "1", "", ""}, {"New", "2", "", ""},
                                {"Beta", "1", "L", ""}};
  EXPECT_EQ(Compare(stored, collected),
            (std::vector<std::string>{"Software removed : alpha", "Dup Version changed from 2 To 1",
                                      "Gamma Version changed from 1 To 2", "Gamma Location changed from L1 To L2",
                                      "Gamma Product ID changed from X To Y", "New Software installed : Alpha",
                                      "New Software installed : New", "New Software installed : New"}));

  // Lists beyond the sixteen-bit counter record nothing.
  SoftwareTable big(kMaxComparedPrograms + 1, SoftwareEntry{"P", "1", "", ""});
  SoftwareTable small{SoftwareEntry{"Q", "1", "", ""}};
  std::vector<std::string> out;
  auto record = [&](const std::string& t) { out.push_back(t); };
  EXPECT_ANY_THROW(CompareSoftwareLists(big, small, record));
  EXPECT_ANY_THROW(CompareSoftwareLists(small, big, record));
  EXPECT_TRUE(out.empty());
  big.pop_back();
  CompareSoftwareLists(big, small, record);
  EXPECT_EQ(out.size(), big.size() + 1);
}

}  // namespace
}  // namespace korvane::test

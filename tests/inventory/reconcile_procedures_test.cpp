// The reconciliation procedures run in-process against the in-memory inventory: order of
// writes, change entries and their time stamps, pins, the user-only and memory-check
// branches, and the failure paths that a real database rarely shows.
#include <gtest/gtest.h>

#include "scan/conversions.h"
#include "inventory/drive_history.h"
#include "inventory/query_texts.h"
#include "inventory/update_db.h"
#include "tests/inventory/reconcile_harness.h"

namespace korvane::inventory_test {
namespace {

const std::string S = "\xC2\xA7";

std::vector<int> Range(int from, int to) {
  std::vector<int> r;
  for (int i = from; i <= to; ++i) r.push_back(i);
  return r;
}

TEST(UpdateDB, FirstScanCreatesTheRowsAndWritesColumnByColumnInOrder) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));

  EXPECT_EQ(r.db.RowsOf("Asset", "PC01").size(), 1u);
  EXPECT_EQ(r.db.RowsOf("Software", "PC01").size(), 1u);
  EXPECT_EQ(r.db.RowsOf("Services", "PC01").size(), 1u);
  EXPECT_EQ(r.Changes(), std::vector<std::string>{"New Record Created"});
  EXPECT_EQ(r.Stamps(), std::vector<std::string>{"2003/02/14 09:05:30"});

  std::vector<int> expected{92};
  for (int o : Range(1, 16)) expected.push_back(o);
  expected.push_back(30);
  for (int o : Range(17, 25)) expected.push_back(o);
  for (int slot = 0; slot < 10; ++slot) {
    const int first = 31 + 6 * slot;
    const bool present = slot == 2 || slot == 3;
    for (int offset : present ? std::vector<int>{0, 1, 2, 3, 4, 5} : std::vector<int>{0, 1, 2, 3, 5, 4}) {
      expected.push_back(first + offset);
    }
  }
  expected.push_back(26);
  expected.push_back(27);
  EXPECT_EQ(r.UpdatesOf("Asset"), expected);
  const std::vector<std::string> tail(r.db.calls.end() - 3, r.db.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"update Software 1", "update Services 1", "close Asset"}));

  const Row a = r.Asset();
  EXPECT_EQ(a[1], Variant("Alpha"));
  EXPECT_EQ(a[10], Variant(2400.0));
  EXPECT_EQ(a[17], Variant(512));
  EXPECT_EQ(a[30], Variant("192.168.1.20"));
  EXPECT_EQ(a[43], Variant("C:"));
  EXPECT_EQ(a[44], Variant(38154.0));
  EXPECT_TRUE(a[31].IsNull());
  EXPECT_TRUE(a[28].IsNull() && a[29].IsNull() && a[91].IsNull());
  EXPECT_EQ(a[27], Variant("CORP\\jsmith"));
  EXPECT_EQ(r.db.RowsOf("Software", "PC01")[0][1], Variant(KnownMachine().SoftwareList));
  EXPECT_EQ(r.db.RowsOf("Services", "PC01")[0][1], Variant("Alerter^Computer Browser"));
  EXPECT_EQ(r.db.RowsOf("DriveHistory", "PC01~C").at(0)[1], Variant("^2003/02/14,12288"));
  EXPECT_EQ(r.db.RowsOf("DriveHistory", "PC01~D").at(0)[2], Variant("PC01"));
  EXPECT_TRUE(r.LogLines().empty());
  EXPECT_TRUE(r.Progress().empty());
}

TEST(UpdateDB, LaterScansRecordEachChangeInTableOrderWithItsOwnTimeStamp) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));

  MachineSnapshot second = KnownMachine();
  second.Manufacturer = "Beta";
  second.Model = "m1";                      // letter case counts
  second.Processors[0].ClockSpeed = 2450;   // within the margin
  second.TotalPhysicalMemory = 1024;
  second.CountryCode = "";
  second.Drives[3] = {"D:", 1000, 300, "DATA", "FAT32", "11112222"};
  second.Drives[4] = {"E:", 650, 1, "CD", "CDFS", ""};
  second.SoftwareList = "Office" + S + "12.0" + S + "C:\\Office" + S + "ID1";
  UpdateDB(r.NewScan(second));
  EXPECT_EQ(r.Changes(), (std::vector<std::string>{
                             "New Record Created",
                             "Manufacturer changed from Alpha To Beta",
                             "Model changed from M1 To m1",
                             "Physical Memory changed from 512 To 1024",
                             "Country Code changed from 44 To nothing",
                             "Drive D: Size changed from 950 To 1000",
                             "Drive D: System changed from NTFS To FAT32",
                             "Office Version changed from 11.0 To 12.0",
                         }));
  const std::vector<std::string> stamps = r.Stamps();
  for (std::size_t i = 1; i < stamps.size(); ++i) EXPECT_LT(stamps[i - 1], stamps[i]);

  MachineSnapshot third = second;
  third.Processors[0].ClockSpeed = 2550;  // exactly the margin
  third.Drives[3] = DriveSlot{};          // D: vanished
  third.Drives[4].Size = 700;             // a CD drive is never compared
  UpdateDB(r.NewScan(third));
  const std::vector<std::string> changes = r.Changes();
  EXPECT_EQ(std::vector<std::string>(changes.begin() + 8, changes.end()),
            (std::vector<std::string>{
                "Processor 1 speed changed from 2450 To 2550",
                "Drive D: Size changed from  1000 To nothing",
                "Drive D: System changed from FAT32 To nothing",
            }));
  const Row a = r.Asset();
  for (int o : Range(49, 54)) EXPECT_TRUE(a[static_cast<std::size_t>(o)].IsNull()) << o;
}

TEST(UpdateDB, PinsUserOnlyScansAndTheMemoryCheck) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));
  auto& stored = *r.db.Table("Asset").rows[0];
  stored[1] = Variant("^Alpha Pinned");
  stored[43] = Variant("^C:");

  MachineSnapshot changed = KnownMachine();
  changed.Manufacturer = "Gamma";
  changed.Drives[2].Size = 50000;
  changed.Drives[2].VolumeName = "NEW";
  std::size_t mark = r.db.calls.size();
  UpdateDB(r.NewScan(changed));
  Row a = r.Asset();
  EXPECT_EQ(a[1], Variant("^Alpha Pinned"));
  EXPECT_EQ(a[43], Variant("^C:"));
  EXPECT_EQ(a[44], Variant(38154.0));
  EXPECT_EQ(a[46], Variant("SYSTEM"));
  // The size change of the pinned drive is still recorded, and its history still kept.
  EXPECT_EQ(r.Changes().back(), "Drive C: Size changed from 38154 To 50000");
  EXPECT_NE(std::find(r.db.calls.begin() + static_cast<std::ptrdiff_t>(mark), r.db.calls.end(),
                      "open " + DriveHistoryQuery("PC01", "C")),
            r.db.calls.end());

  MachineSnapshot userOnly;
  userOnly.Manufacturer = "Zeta";
  userOnly.UserName = "CORP\\other";
  mark = r.db.calls.size();
  const std::size_t entries = r.Changes().size();
  UpdateDB(r.NewScan(userOnly, true));
  EXPECT_EQ(r.UpdatesOf("Asset", mark), (std::vector<int>{26, 27}));
  EXPECT_EQ(r.UpdatesOf("Software", mark), std::vector<int>{});
  EXPECT_EQ(r.Asset()[27], Variant("CORP\\other"));
  EXPECT_EQ(r.Changes().size(), entries);

  MachineSnapshot noMemory = KnownMachine();
  noMemory.TotalPhysicalMemory = 0;
  noMemory.Manufacturer = "Omega";
  mark = r.db.calls.size();
  EXPECT_THROW(UpdateDB(r.NewScan(noMemory)), ProcessEndedForTest);
  EXPECT_EQ(r.UpdatesOf("Asset", mark), std::vector<int>{});
  ASSERT_EQ(r.LogLines().size(), 1u);
  EXPECT_TRUE(r.LogLines()[0].ends_with(",Problems with WMI,PC01:WMI details false"));
  EXPECT_EQ(r.Progress(), std::vector<std::string>{"PC01,Complete"});
}

TEST(UpdateDB, FailuresAreSkippedSilentlyExceptTheFinalListWrites) {
  Reconciliation r;
  UpdateDB(r.NewScan(KnownMachine()));
  MachineSnapshot changed = KnownMachine();
  changed.Manufacturer = "Beta";
  changed.Domain = "other";
  changed.TotalPhysicalMemory = 2048;
  r.db.failingReads.insert({"Asset", 3});        // Domain cannot be read
  r.db.failingUpdates.insert({"Software", 1});   // nor the software list written
  UpdateDB(r.NewScan(changed));
  // The comparison ended at Domain; the columns after it were written all the same.
  EXPECT_EQ(r.Changes().back(), "Manufacturer changed from Alpha To Beta");
  const Row a = r.Asset();
  EXPECT_EQ(a[3], Variant("corp"));
  EXPECT_EQ(a[17], Variant(2048));
  ASSERT_EQ(r.LogLines().size(), 1u);
  EXPECT_TRUE(r.LogLines()[0].ends_with(",Error updating database,PC01:Injected failure writing column 1"));
  EXPECT_EQ(r.Progress(), std::vector<std::string>{"PC01,Complete"});
  EXPECT_EQ(r.k().ctx.RS1, nullptr);
  EXPECT_EQ(r.k().ctx.Conn1, nullptr);
  EXPECT_EQ(r.db.RowsOf("Services", "PC01")[0][1], Variant("Alerter^Computer Browser"));
}

TEST(UpdateDB, AssetRowMissingBesideAnExistingSoftwareRow) {
  Reconciliation r;
  r.db.AddRow("Software", "PC01")[1] = Variant("Old" + S + "1" + S + S);
  UpdateDB(r.NewScan(KnownMachine()));
  const auto software = r.db.RowsOf("Software", "PC01");
  ASSERT_EQ(software.size(), 2u);
  EXPECT_EQ(software[0][1], Variant(KnownMachine().SoftwareList));  // the first row returned
  EXPECT_EQ(r.db.RowsOf("Services", "PC01").size(), 1u);
  // The stored list was compared before it was replaced.
  EXPECT_EQ(r.Changes(), (std::vector<std::string>{"New Record Created", "Software removed : Old",
                                                   "New Software installed : Office"}));
}

TEST(UpdateDB, MissingSoftwareOrServicesRowsAndAUserOnlyFirstScan) {
  Reconciliation r;
  r.db.AddRow("Asset", "PC01")[1] = Variant("Alpha");
  r.db.AddRow("Services", "PC01");
  UpdateDB(r.NewScan(KnownMachine()));
  EXPECT_EQ(r.db.RowsOf("Software", "PC01").size(), 1u);
  EXPECT_EQ(r.db.RowsOf("Services", "PC01").size(), 1u);
  EXPECT_EQ(r.db.RowsOf("Asset", "PC01").size(), 1u);
  EXPECT_EQ(r.Changes(), std::vector<std::string>{});  // not a new record, nothing compared

  Reconciliation fresh;
  UpdateDB(fresh.NewScan(KnownMachine(), true));
  EXPECT_EQ(fresh.db.RowsOf("Software", "PC01").size(), 1u);
  EXPECT_EQ(fresh.db.RowsOf("Services", "PC01").size(), 1u);
  EXPECT_EQ(fresh.Changes(), std::vector<std::string>{"New Record Created"});
  EXPECT_EQ(fresh.UpdatesOf("Asset"), (std::vector<int>{92, 26, 27}));
  EXPECT_TRUE(fresh.db.Table("DriveHistory").rows.empty());
}

TEST(DriveHistory, OneEntryADayBoundedByTheDefinedSize) {
  Reconciliation r;
  r.db.Table("DriveHistory").definedSizes[1] = 40;
  Korvane& k = r.NewScan(KnownMachine());
  auto history = [&] { return r.db.RowsOf("DriveHistory", "PC01~C").at(0)[1]; };

  UpdateDriveHistory(k, "C:", 1234);
  EXPECT_EQ(history(), Variant("^2003/02/14,1234"));
  UpdateDriveHistory(k, "C:", 1100);
  EXPECT_EQ(history(), Variant("^2003/02/14,1234"));
  r.clock.next.day = 15;
  UpdateDriveHistory(k, "C:", 1100);
  EXPECT_EQ(history(), Variant("^2003/02/14,1234^2003/02/15,1100"));
  r.clock.next.day = 16;
  UpdateDriveHistory(k, "C:", 1050);
  EXPECT_EQ(history(), Variant("^2003/02/15,1100^2003/02/16,1050"));
  EXPECT_EQ(r.db.RowsOf("DriveHistory", "PC01~C").size(), 1u);

  const std::size_t calls = r.db.calls.size();
  UpdateDriveHistory(k, "E:", 0);
  EXPECT_EQ(r.db.calls.size(), calls);
  EXPECT_TRUE(r.db.RowsOf("DriveHistory", "PC01~E").empty());

  // A damaged last date counts as not today; a Null history takes its first entry.
  r.db.AddRow("DriveHistory", "PC01~F")[1] = Variant("^2003/02/16,9^20O3/02/16,8");
  UpdateDriveHistory(k, "F:", 7);
  EXPECT_EQ(r.db.RowsOf("DriveHistory", "PC01~F")[0][1], Variant("^2003/02/16,9^20O3/02/16,8^2003/02/16,7"));
  r.db.AddRow("DriveHistory", "PC01~G");
  UpdateDriveHistory(k, "G:", 5);
  EXPECT_EQ(r.db.RowsOf("DriveHistory", "PC01~G")[0][1], Variant("^2003/02/16,5"));

  // A column too small for even the new entry keeps what it holds.
  r.db.Table("DriveHistory").definedSizes[1] = 10;
  r.clock.next.day = 17;
  UpdateDriveHistory(k, "C:", 999);
  EXPECT_EQ(history(), Variant("^2003/02/15,1100^2003/02/16,1050"));
  EXPECT_EQ(r.db.RowsOf("DriveHistory", "PC01~C")[0][2], Variant("PC01"));

  // A recordset that cannot be used ends the scan.
  r.db.brokenQueries[DriveHistoryQuery("PC01", "H")] = "Login failed";
  EXPECT_THROW(UpdateDriveHistory(k, "H:", 5), ProcessEndedForTest);
  ASSERT_EQ(r.LogLines().size(), 1u);
  EXPECT_TRUE(r.LogLines()[0].ends_with(
      ",Error connection to SQL database,Provider=SQLOLEDB;Data Source=memory Login failed"));
  EXPECT_EQ(r.Progress(), std::vector<std::string>{"PC01,Complete"});
}

}  // namespace
}  // namespace korvane::inventory_test

// Whole scans of lab computers by the real korvane, on several simulated days, with the
// rows of the inventory checked afterwards: new rows, change history, pins, software
// history, free-space history, the user-only refresh and the memory check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/history_text.h"
#include "scan/conversions.h"
#include "inventory/query_texts.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

struct Drive {
  std::string caption;
  long long sizeMB;
  long long freeMB;
  std::string fileSystem;
};

struct Program {
  std::string name, version, location;
};

struct Machine {
  std::string manufacturer = "Alpha";
  long long memoryMB = 512;  // 0: not reported
  bool answers = true;
  int speed = 2400;
  std::string user = "CORP\\\\jsmith";
  std::vector<Drive> drives{{"C:", 38154, 12288, "NTFS"}, {"D:", 950, 400, "NTFS"},
                            {"E:", 650, 0, "CDFS"}};
  std::vector<Program> software{{"Foo", "1.0", "C:\\\\Foo"}, {"Gone", "1.0", ""},
                                {"Office", "11", "C:\\\\Office"}};
};

// `name`: the name WMI reports.
std::string LabFile(const std::string& name, const Machine& m) {
  std::string disks;
  for (const Drive& d : m.drives) {
    if (!disks.empty()) disks += ", ";
    disks += R"({"Caption": ")" + d.caption + R"(", "Size": ")" + std::to_string(d.sizeMB * 1048576) +
             R"(", "FreeSpace": ")" + std::to_string(d.freeMB * 1048576) + R"(", "FileSystem": ")" +
             d.fileSystem + R"(", "VolumeName": "V", "VolumeSerialNumber": "S1"})";
  }
  std::string keys;
  int n = 0;
  for (const Program& p : m.software) {
    keys += R"(, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P)" +
            std::to_string(n++) + R"(": {"DisplayName": ")" + p.name + R"(", "DisplayVersion": ")" +
            p.version + R"(", "InstallLocation": ")" + p.location +
            R"(", "UninstallString": "remove.exe"})";
  }
  const std::string memory =
      m.memoryMB ? R"(, "TotalPhysicalMemory": ")" + std::to_string(m.memoryMB * 1048576) + "\"" : "";
  return R"({"address": "192.168.7.9", "echo": )" + std::string(m.answers ? "true" : "false") + R"(, "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": ")" + name + R"(", "Manufacturer": ")" + m.manufacturer +
         R"(", "Model": "M1", "Domain": "corp", "UserName": ")" + m.user + "\"" + memory + R"(}],
    "Win32_OperatingSystem": [{"Caption": "Microsoft Windows XP Professional", "Version": "5.1.2600", "CSDVersion": "Service Pack 2", "FreePhysicalMemory": "215040", "WindowsDirectory": "C:\\WINDOWS", "CountryCode": "44"}],
    "Win32_Processor": [{"Name": "Pentium 4", "CurrentClockSpeed": )" + std::to_string(m.speed) + R"(}],
    "Win32_BIOS": [{"Manufacturer": "Phoenix", "SMBIOSBIOSVersion": "A05", "SerialNumber": "7XK2Q1J"}],
    "Win32_LogicalDisk": [)" + disks + R"(]}},
  "registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"})" +
         keys + R"(}},
  "services": {"list": [{"name": "Alerter", "display": "Alerter"}, {"name": "Browser", "display": "Computer Browser"}]}
})";
}

class ReconcileE2E : public ::testing::TestWithParam<InventoryBackend> {
 protected:
  void SetUp() override {
    KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
    inventory = std::make_unique<Inventory>(GetParam());
    name = UniqueComputerName("REC");
    scanned = name + "-DNS";
  }

  // The computer calls itself otherwise than the console does: the attempt is recorded
  // under the scanned name, everything after WMI under the reported one.
  void Scan(const Machine& m, const std::string& when, const std::string& suffix = "") {
    WriteFile(lab / (scanned + ".json"), LabFile(name, m));
    const ScanResult r = ScanFromLab(scanned, inventory->DataSource(), lab.str(), temp.str(), {.fakeTime = when}, suffix);
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    ASSERT_GE(r.progress.size(), 2u);
    EXPECT_EQ(r.progress.front(), scanned + ",2");
    EXPECT_EQ(r.progress.back(), (m.answers ? name : scanned) + ",Complete");
  }

  std::vector<Variant> Row(const std::string& table, const std::string& key = "") {  // one row
    const auto rows = inventory->RowsOf(table, key.empty() ? name : key);
    EXPECT_EQ(rows.size(), 1u) << table;
    return rows.empty() ? std::vector<Variant>{} : rows[0];
  }
  std::string Text(const std::string& table, int ordinal, const std::string& key = "") {
    const auto row = Row(table, key);
    return row.empty() || row[ordinal].IsNull() ? "<null>" : ToText(row[ordinal]);
  }
  // The change texts of the History entries written after `skip` entries.
  std::vector<std::string> Changes(std::size_t skip) {
    std::vector<std::string> out;
    for (const StoredChange& e : ParseHistory(Text("Asset", asset::kHistory))) out.push_back(e.text);
    out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(std::min(skip, out.size())));
    return out;
  }
  std::vector<std::string> Log() { return ReadLines(temp / "DrevantaAssetDB.log"); }
  void SetAsset(const std::string& assignments) {
    inventory->Execute("UPDATE Asset SET " + assignments + " WHERE Computer = '" + name + "'");
  }

  std::unique_ptr<Inventory> inventory;
  std::string name, scanned;
  TempDir lab;
  TempDir temp;
};

// The computer on its first day: two floppies, and E: not yet holding a CD.
Machine FirstDay() {
  Machine m;
  m.drives.insert(m.drives.begin(), {{"A:", 1, 1, "FAT"}, {"B:", 1, 1, "FAT"}});
  m.drives[4].fileSystem = "NTFS";
  return m;
}

// The next day: new maker and memory, D: reformatted, the CD changed, software moved on,
// the clock 99 down: within the margin.
Machine NextDay() {
  Machine m;
  m.manufacturer = "Beta";
  m.memoryMB = 1024;
  m.speed = 2301;
  m.drives = {{"C:", 38154, 12288, "NTFS"}, {"D:", 1000, 300, "FAT32"}, {"E:", 700, 0, "CDFS"}};
  m.software = {{"FOO", "1.0", "C:\\\\Foo"}, {"Office", "12", "D:\\\\Office"}, {"New", "2", ""}};
  return m;
}

const int kDriveA = asset::DriveSlot(0), kDriveB = asset::DriveSlot(1), kDriveC = asset::DriveSlot(2);

TEST_P(ReconcileE2E, AFirstScanWritesItsRowsAndNoFreeSpaceForFloppiesOrCds) {
  Scan(FirstDay(), "2003-02-14 09:05:30");
  EXPECT_TRUE(Text("Asset", asset::kHistory).starts_with("2003/02/14 09:05:")) << Text("Asset", asset::kHistory);
  EXPECT_EQ(Changes(0), std::vector<std::string>{"New Record Created"});
  EXPECT_EQ(Text("Services", services::kServiceList), "Alerter^Computer Browser");
  EXPECT_EQ(Text("DriveHistory", drive_history::kDiskComputerName, name + "~D"), name);
  // Floppies are written to Asset but never get a free-space history; E: has no free space.
  EXPECT_EQ(Text("Asset", kDriveA + asset::kDriveCaption), "A:");
  EXPECT_EQ(Text("Asset", kDriveB + asset::kDriveCaption), "B:");
  for (const std::string& key : {scanned + "~C", name + "~A", name + "~B", name + "~E"}) {
    EXPECT_TRUE(inventory->RowsOf("DriveHistory", key).empty()) << key;
  }
  EXPECT_TRUE(inventory->RowsOf("LastAccess", name).empty());
  for (const char* table : {"Asset", "Software", "Services"}) {
    EXPECT_TRUE(inventory->RowsOf(table, scanned).empty()) << table;
  }
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(Text("LastAccess", last_access::kLastAccessTime, scanned).starts_with("2003/02/14 09:05:"));
}

TEST_P(ReconcileE2E, AUserOnlyRefreshWritesTheStampAndTheUserOnlyAndSilenceNothing) {
  Machine m = FirstDay();
  Scan(m, "2003-02-14 09:05:30");
  const auto before = Row("Asset");
  m.manufacturer = "Other";  // shows at the next full scan only
  m.user = "CORP\\\\ajones";
  Scan(m, "2003-02-14 12:00:00", "-u");
  const auto after = Row("Asset");
  for (std::size_t o = 0; o < before.size(); ++o) {
    if (o == asset::kLastScan || o == asset::kUserName) continue;
    EXPECT_EQ(before[o], after[o]) << "column " << o;
  }
  EXPECT_TRUE(ToText(after[asset::kLastScan]).starts_with("2003/02/14 12:00:"));
  EXPECT_EQ(ToText(after[asset::kUserName]), "CORP\\ajones");
  const std::string accessed = Text("LastAccess", last_access::kLastAccessTime, scanned);
  EXPECT_TRUE(accessed.starts_with("2003/02/14 12:00:"));
  // Silence leaves the last access time as it was.
  m.answers = false;
  Scan(m, "2003-02-14 13:00:00");
  EXPECT_EQ(Text("LastAccess", last_access::kLastAccessTime, scanned), accessed);
}

// Three days of one computer: the next day's changes, fields first, then software; that
// afternoon the clock exactly the margin up, D: gone although its caption is pinned, and
// no program at all, which is a registry that could not be read; then the administrator
// pins the maker and drive C:'s caption, the clock goes exactly the margin down and the
// software comes back.
TEST_P(ReconcileE2E, ChangesOfThreeDaysWithGoneAndPinnedValues) {
  Scan(FirstDay(), "2003-02-14 09:05:30");
  Machine m = NextDay();
  Scan(m, "2003-02-15 10:00:00");
  EXPECT_EQ(Changes(1), (std::vector<std::string>{
                            "Manufacturer changed from Alpha To Beta",
                            "Physical Memory changed from 512 To 1024",
                            "Drive D: Size changed from 950 To 1000",
                            "Drive D: System changed from NTFS To FAT32",
                            "Software removed : Foo",
                            "Software removed : Gone",
                            "Office Version changed from 11 To 12",
                            "Office Location changed from C:\\Office To D:\\Office",
                            "New Software installed : FOO",
                            "New Software installed : New",
                        }));
  EXPECT_EQ(Text("DriveHistory", drive_history::kDiskHistory, name + "~D"), "^2003/02/14,400^2003/02/15,300");

  SetAsset("DriveDCaption = '^D:'");
  m.speed = 2401;
  m.drives = {{"C:", 38154, 11000, "NTFS"}};
  const std::vector<Program> programs = m.software;
  m.software = {};
  Scan(m, "2003-02-15 15:00:00");
  EXPECT_EQ(Changes(11), (std::vector<std::string>{
                             "Processor 1 speed changed from 2301 To 2401",
                             "Drive D: Size changed from  1000 To nothing",
                             "Drive D: System changed from FAT32 To nothing",
                             "Software removed : FOO",
                             "Software removed : New",
                             "Software removed : Office",
                         }));
  const auto asset = Row("Asset");
  for (int o = asset::DriveSlot(3); o < asset::DriveSlot(5); ++o) EXPECT_TRUE(asset[o].IsNull()) << o;
  EXPECT_EQ(Text("Software", software::kSoftwareList), "");
  // One free-space entry a day: the morning's stands.
  EXPECT_EQ(Text("DriveHistory", drive_history::kDiskHistory, name + "~C"), "^2003/02/14,12288^2003/02/15,12288");
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_TRUE(Log()[0].ends_with(",Unable to access remote registry," + name + ":")) << Log()[0];

  SetAsset("Manufacturer = '^Beta (leased)', DriveCCaption = '^C:'");
  m.manufacturer = "Gamma";
  m.speed = 2301;
  m.drives = {{"C:", 40000, 10000, "NTFS"}};
  m.software = programs;
  Scan(m, "2003-02-16 09:00:00");
  EXPECT_EQ(Text("Asset", asset::kManufacturer), "^Beta (leased)");
  EXPECT_EQ(Text("Asset", kDriveC + asset::kDriveCaption), "^C:");
  EXPECT_EQ(Text("Asset", kDriveC + asset::kDriveSize), "38154");
  EXPECT_EQ(Changes(17), (std::vector<std::string>{
                             "Processor 1 speed changed from 2401 To 2301",
                             "Drive C: Size changed from 38154 To 40000",
                             "New Software installed : FOO",
                             "New Software installed : New",
                             "New Software installed : Office",
                         }));
  EXPECT_EQ(Text("DriveHistory", drive_history::kDiskHistory, name + "~C"),
            "^2003/02/14,12288^2003/02/15,12288^2003/02/16,10000");
  EXPECT_EQ(Log().size(), 1u);  // the afternoon's unreadable registry only
}

// WMI describing the computer without its memory: the scan ends, the row stays. A stored
// Null or 0 is no known memory: no check, and the 0 is written.
TEST_P(ReconcileE2E, AComputerWithoutItsMemoryKeepsItsRowUnlessNoneIsKnown) {
  Machine m;
  Scan(m, "2003-02-16 09:00:00");
  const auto known = Row("Asset");
  m.memoryMB = 0;
  m.manufacturer = "Other";
  Scan(m, "2003-02-17 09:00:00");
  EXPECT_EQ(Row("Asset"), known);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_TRUE(Log()[0].ends_with(",Problems with WMI," + name + ":WMI details false")) << Log()[0];

  SetAsset("TotalPhysicalMemory = NULL");
  Scan(m, "2003-02-17 10:00:00");
  EXPECT_EQ(Text("Asset", asset::kTotalPhysicalMemory), "0");
}

TEST_P(ReconcileE2E, AHistoryNearItsLimitLosesItsOldestEntriesWhole) {
  Machine m;
  Scan(m, "2003-02-17 09:00:00");
  std::string old;
  for (int i = 0; old.size() < 2950; ++i) old += "2003/01/01 00:00:00~Old entry " + std::to_string(i) + "^";
  SetAsset("History = '" + old + "', Manufacturer = 'Other'");
  m.manufacturer = "Delta";
  Scan(m, "2003-02-18 09:00:00");
  const std::string cut = Text("Asset", asset::kHistory);
  EXPECT_LE(CharCount(cut), 3000u);
  EXPECT_GT(CharCount(cut), 2900u);
  EXPECT_TRUE(cut.ends_with("~Manufacturer changed from Other To Delta^")) << cut;
  EXPECT_TRUE(cut.starts_with("2003/01/01 00:00:00~Old entry ")) << cut.substr(0, 40);
  EXPECT_NE(cut.substr(0, 40), old.substr(0, 40));
  EXPECT_NE(old.find(cut.substr(0, cut.find("2003/02/18"))), std::string::npos);
  EXPECT_TRUE(Log().empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, ReconcileE2E, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

}  // namespace
}  // namespace korvane::test

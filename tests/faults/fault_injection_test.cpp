// Faults from outside the scanner: killed in its database stage, the inventory folder taken
// away, a full disk under SQLite, the PostgreSQL server stopped. Every scan must end with
// "Complete" (no crash, no hang), and a clean rescan must leave the computer complete.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

#include "platform/db/schema_install.h"
#include "scan/conversions.h"
#include "tests/support/scannable_computer.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFaultPrograms = 60;

// `programs` programs at version "1.<version>", so that a rescan after a change of
// version has a long software comparison to make.
std::string FaultComputer(const std::string& name, int version, int programs = kFaultPrograms) {
  std::vector<std::string> names;
  for (int i = 0; i < programs; ++i) names.push_back("\"Program " + std::to_string(i) + "\"");
  return ScannableComputer(name, "Maker", names, "1." + std::to_string(version));
}

// No table holds the computer (or one of its drives) twice.
void ExpectNoDuplicateRows(const Inventory& inventory, const std::string& name) {
  for (const char* table : {"Asset", "Software", "Services", "LastAccess"}) {
    EXPECT_LE(inventory.RowsOf(table, name).size(), 1u) << table;
  }
  EXPECT_LE(inventory.RowsOf("DriveHistory", name + "~C").size(), 1u);
}

// Every row of the computer is there once and holds what the lab says at `version`:
// its history starts with the new record, it was seen and scanned, and its drive has one
// free-space entry.
void ExpectComplete(const Inventory& inventory, const std::string& name, int version,
                    int programs = kFaultPrograms) {
  for (const char* table : {"Asset", "Software", "Services", "LastAccess"}) {
    ASSERT_EQ(inventory.RowsOf(table, name).size(), 1u) << table;
  }
  const auto asset = inventory.RowsOf("Asset", name)[0];
  EXPECT_EQ(asset[1], Variant("Maker"));
  EXPECT_EQ(ToDouble(asset[17]), 511.0);
  ASSERT_EQ(asset[92].kind(), Variant::Kind::Text) << "no history";
  const std::string& history = asset[92].text();
  EXPECT_EQ(history.substr(19, 20), "~New Record Created^") << history.substr(0, 200);
  EXPECT_EQ(asset[26].kind(), Variant::Kind::Text) << "LastScan";
  EXPECT_EQ(asset[27], Variant("CORP\\u")) << "UserName";
  EXPECT_EQ(inventory.RowsOf("LastAccess", name)[0][1].kind(), Variant::Kind::Text) << "LastAccessTime";
  std::string software;
  for (int i = 0; i < programs; ++i) {
    if (i > 0) software += "^";
    software += "Program " + std::to_string(i) + "\xC2\xA7" + "1." + std::to_string(version) + "\xC2\xA7\xC2\xA7";
  }
  EXPECT_EQ(inventory.RowsOf("Software", name)[0][1], Variant(software));
  EXPECT_EQ(inventory.RowsOf("Services", name)[0][1], Variant("Alerter"));
  const auto drive = inventory.RowsOf("DriveHistory", name + "~C");
  ASSERT_EQ(drive.size(), 1u);
  const std::string series = drive[0][1].kind() == Variant::Kind::Text ? drive[0][1].text() : "";
  EXPECT_EQ(std::count(series.begin(), series.end(), '^'), 1) << series;
}

ScanResult ScanOnce(const std::string& name, const std::string& dataSource, const TempDir& lab,
                    const TempDir& temp, std::function<void(pid_t, const std::string&)> onProgress = {}) {
  return ScanFromLab(name, dataSource, lab.str(), temp.str(), {.onProgress = std::move(onProgress)});
}

bool EndsInComplete(const ScanResult& r, const std::string& name) {
  return !r.progress.empty() && r.progress.back() == name + ",Complete";
}

TEST(FaultInjection, ScannerKilledAnywhereInItsDatabaseStageNeverDuplicatesARowAndARescanRepairs) {
  Inventory inventory;
  TempDir lab;
  TempDir temp;
  const std::string name = "KILLPC";
  // The kill points are random, but reproducible from the seed shown on failure.
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);

  // The first scan's database stage bounds the kill points. Every later one writes a
  // history entry per program as well, so a kill finds it still at work on any machine.
  const int programs = 400;
  WriteFile(lab / (name + ".json"), FaultComputer(name, 0, programs));
  Clock::time_point stageStart;
  const ScanResult clean = ScanOnce(name, inventory.DataSource(), lab, temp,
                                    [&](pid_t, const std::string& line) {
                                      if (line == name + ",100") stageStart = Clock::now();
                                    });
  const auto stage = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - stageStart);
  ASSERT_TRUE(EndsInComplete(clean, name));

  // Kills during the first scan of a new computer and during rescans with changes.
  const std::string fresh = "KILLNEW";
  int kills = 0;
  for (int round = 1; round <= 8; ++round) {
    const std::string target = round % 2 == 0 ? fresh : name;
    WriteFile(lab / (target + ".json"), FaultComputer(target, round, programs));
    const auto delay = std::chrono::microseconds(
        std::uniform_int_distribution<long>(0, stage.count())(random));
    SCOPED_TRACE(target + " killed " + std::to_string(delay.count()) + " us into its database stage");
    const ScanResult killed = ScanOnce(target, inventory.DataSource(), lab, temp,
                                       [&](pid_t pid, const std::string& line) {
                                         if (line != target + ",100") return;
                                         std::this_thread::sleep_for(delay);
                                         kill(pid, SIGKILL);
                                       });
    EXPECT_TRUE(killed.signal == SIGKILL || EndsInComplete(killed, target));
    kills += killed.signal == SIGKILL;
    ExpectNoDuplicateRows(inventory, name);
    ExpectNoDuplicateRows(inventory, fresh);
  }

  EXPECT_GT(kills, 0) << "no scan was still running when its kill came";
  // And what a kill right after a first scan added the Asset row leaves: the row with its
  // key alone, no history and no Software or Services row.
  const std::string half = "KILLHALF";
  WriteFile(lab / (half + ".json"), FaultComputer(half, 8, programs));
  inventory.Execute("INSERT INTO LastAccess (Computer, LastAccessTime) VALUES ('" + half + "', '2003/02/14 09:00:00')");
  inventory.Execute("INSERT INTO Asset (Computer) VALUES ('" + half + "')");
  for (const std::string& target : {name, fresh, half}) {
    const ScanResult rescan = ScanOnce(target, inventory.DataSource(), lab, temp);
    EXPECT_EQ(rescan.exitCode, 0) << rescan.stderrText;
    EXPECT_TRUE(EndsInComplete(rescan, target));
    ExpectComplete(inventory, target, target == name ? 7 : 8, programs);
  }
  EXPECT_FALSE(std::filesystem::exists(temp / "DrevantaAssetDB.log")) << ReadFile(temp / "DrevantaAssetDB.log");
}

TEST(FaultInjection, InventoryFolderRemovedDuringAScanIsLoggedAndNeverRecreated) {
  TempDir lab;
  TempDir temp;
  // Taken away just before the last-access record (progress 4), after it (6, the WMI
  // collector's first line) and within the database stage (100). The removal races with
  // the scanner's opening of the file: either way the scan ends and nothing reappears.
  for (const std::string point : {"4", "6", "100"}) {
    SCOPED_TRACE("removed at progress " + point);
    const std::string name = "GONE" + point;
    TempDir parent;
    const std::string folder = (parent / "inventory").string();
    InstallSchema(folder);
    WriteFile(lab / (name + ".json"), FaultComputer(name, 0));
    const ScanResult r = ScanOnce(name, folder, lab, temp, [&](pid_t, const std::string& line) {
      if (line == name + "," + point) std::filesystem::remove_all(folder);
    });
    EXPECT_EQ(r.signal, 0) << r.stderrText;
    EXPECT_TRUE(EndsInComplete(r, name));
    EXPECT_FALSE(std::filesystem::exists(folder));
  }
}

// A tmpfs of its own, mounted for the test (root only).
struct SmallDisk {
  SmallDisk() {
    if (geteuid() != 0) {
      why = "a full-disk test needs root to mount a small tmpfs";
    } else if (mount("korvane-full", dir.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
      why = std::string("this machine does not allow a tmpfs mount: ") + std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (why.empty()) umount2(dir.path().c_str(), MNT_DETACH);
  }
  // Byte by byte, so the disk is full to the last byte.
  void Fill() {
    std::ofstream filler(dir / "filler", std::ios::binary);
    while (filler.put('x')) {
    }
  }
  void Free() { std::filesystem::remove(dir / "filler"); }

  TempDir dir;
  std::string why;  // empty when mounted
};

TEST(FaultInjection, FullDiskUnderAnSqliteInventoryEndsTheScanCleanlyAndLosesNothingStored) {
  SmallDisk disk;
  if (!disk.why.empty()) GTEST_SKIP() << disk.why;
  TempDir lab;
  TempDir temp;
  const std::string folder = (disk.dir / "inventory").string();
  InstallSchema(folder);
  const Inventory inventory(InventoryBackend::Sqlite, folder);
  const std::string name = "FULLPC";
  WriteFile(lab / (name + ".json"), FaultComputer(name, 0));
  ASSERT_TRUE(EndsInComplete(ScanOnce(name, folder, lab, temp), name));

  // The disk fills up once the attempt is recorded (progress 6), before the changes are
  // stored.
  WriteFile(lab / (name + ".json"), FaultComputer(name, 1));
  const ScanResult r = ScanOnce(name, folder, lab, temp, [&](pid_t, const std::string& line) {
    if (line == name + ",6") disk.Fill();
  });
  EXPECT_EQ(r.signal, 0) << r.stderrText;
  EXPECT_TRUE(EndsInComplete(r, name));
  disk.Free();
  // What was stored before is still there, readable, once each.
  EXPECT_EQ(inventory.Rows("PRAGMA integrity_check")[0][0], Variant("ok"));
  ExpectNoDuplicateRows(inventory, name);
  EXPECT_EQ(inventory.RowsOf("Asset", name)[0][1], Variant("Maker"));

  const ScanResult rescan = ScanOnce(name, folder, lab, temp);
  EXPECT_TRUE(EndsInComplete(rescan, name));
  ExpectComplete(inventory, name, 1);
}

// The PostgreSQL test stops a cluster of its own, never the shared server, and its DSN is
// a user data source in its own ODBCINI file: /etc/odbc.ini, read by other tests, stays.
const std::string kCluster = "/tmp/korvane-pg-faults";
const std::string kDsnName = "KorvanePG_faults";

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> Shell(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string out;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return out;
}

std::optional<std::string> StartServer() {
  const auto out = Shell("KORVANE_PG_DSN_SCOPE=user KORVANE_PG_DSN_NAME=" + kDsnName + " bash " KORVANE_SOURCE_DIR
                         "/scripts/postgres-setup.sh " + kCluster + " 2>" + kCluster + "-setup.log");
  if (!out || out->empty()) return std::nullopt;
  return out->substr(0, out->find('\n'));
}

bool StopServer() {
  return Shell("runuser -u postgres -- \"$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)/pg_ctl\" -D " +
               kCluster + "/data -m fast -w stop >/dev/null 2>&1")
      .has_value();
}

TEST(FaultInjection, PostgresStoppedInTheMiddleOfAReconciliationIsLoggedAndARescanRepairs) {
  if (geteuid() != 0 || !Shell("ls -d /usr/lib/postgresql/*/bin >/dev/null 2>&1")) {
    GTEST_SKIP() << "needs root and the PostgreSQL server binaries (scripts/postgres-setup.sh)";
  }
  setenv("ODBCINI", (kCluster + "-odbc.ini").c_str(), 1);
  const auto dsn = StartServer();
  ASSERT_TRUE(dsn) << ReadFile(kCluster + "-setup.log");
  const Inventory inventory(InventoryBackend::Postgres, *dsn);
  TempDir lab;
  TempDir temp;
  constexpr int kPrograms = 400;
  const std::string name = UniqueComputerName("PGSTOP");
  WriteFile(lab / (name + ".json"), FaultComputer(name, 0, kPrograms));
  ASSERT_EQ(ScanOnce(name, *dsn, lab, temp).exitCode, 0);

  // Every program changes version: the rescan writes one History entry per program, all
  // in the transaction that ends its scan. The scanner is held still (SIGSTOP) while the
  // server is asked whether that transaction has begun to write, and the server goes
  // down then.
  WriteFile(lab / (name + ".json"), FaultComputer(name, 1, kPrograms));
  bool stopped = false;
  const std::string writing =
      "SELECT pid FROM pg_stat_activity WHERE backend_xid IS NOT NULL AND pid <> pg_backend_pid()";
  const ScanResult r = ScanOnce(name, *dsn, lab, temp, [&](pid_t pid, const std::string& line) {
    if (line != name + ",100") return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      kill(pid, SIGSTOP);
      if (!inventory.Rows(writing).empty()) {
        stopped = StopServer();
        kill(pid, SIGCONT);
        return;
      }
      kill(pid, SIGCONT);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  ASSERT_TRUE(stopped) << "the server was not stopped during the reconciliation";
  EXPECT_EQ(r.signal, 0) << r.stderrText;
  EXPECT_TRUE(EndsInComplete(r, name));
  const std::string log = ReadFile(temp / "DrevantaAssetDB.log");
  EXPECT_NE(log.find(",Error updating database," + name + ":"), std::string::npos) << log;

  // Started again: nothing of the unfinished end of the scan was stored (no entry without
  // its list), and a rescan completes the computer.
  const auto again = StartServer();
  ASSERT_TRUE(again) << ReadFile(kCluster + "-setup.log");
  ExpectNoDuplicateRows(inventory, name);
  const Variant history = inventory.RowsOf("Asset", name).at(0)[92];
  EXPECT_TRUE(history.IsNull() || history.text().find(" Version changed from ") == std::string::npos);
  const ScanResult rescan = ScanOnce(name, *again, lab, temp);
  EXPECT_EQ(rescan.exitCode, 0) << rescan.stderrText;
  ExpectComplete(inventory, name, 1, kPrograms);
  Shell("KORVANE_PG_DSN_SCOPE=user KORVANE_PG_DSN_NAME=" + kDsnName + " bash " KORVANE_SOURCE_DIR "/scripts/postgres-stop.sh " +
        kCluster + " --remove >/dev/null 2>&1");
}

}  // namespace
}  // namespace korvane::test

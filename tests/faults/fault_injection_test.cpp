// Faults from outside the scanner, each checked against what the inventory holds
// afterwards: the scanner killed anywhere in its database stage, the inventory folder
// taken away, the disk under an SQLite inventory full (the PostgreSQL server stopped:
// postgres_stop_test.cpp). Every scan must end with "Complete", never by a crash or a
// hang, and a clean rescan must leave the computer complete.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

#include "platform/db/schema_install.h"
#include "tests/faults/fault_lab.h"

namespace korvane::test {
namespace {

using Clock = std::chrono::steady_clock;

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
  for (const std::string& target : {name, fresh}) {
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

// A tmpfs of its own, mounted for the test (root only); why() is empty when mounted.
class SmallDisk {
 public:
  SmallDisk() {
    if (geteuid() != 0) {
      why_ = "a full-disk test needs root to mount a small tmpfs";
    } else if (mount("korvane-full", dir_.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
      why_ = std::string("this machine does not allow a tmpfs mount: ") + std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (why_.empty()) umount2(dir_.path().c_str(), MNT_DETACH);
  }
  const std::string& why() const { return why_; }
  std::filesystem::path path() const { return dir_.path(); }
  // Byte by byte, so the disk is full to the last byte.
  void Fill() {
    std::ofstream filler(dir_ / "filler", std::ios::binary);
    while (filler.put('x')) {
    }
  }
  void Free() { std::filesystem::remove(dir_ / "filler"); }

 private:
  TempDir dir_;
  std::string why_;
};

TEST(FaultInjection, FullDiskUnderAnSqliteInventoryEndsTheScanCleanlyAndLosesNothingStored) {
  SmallDisk disk;
  if (!disk.why().empty()) GTEST_SKIP() << disk.why();
  TempDir lab;
  TempDir temp;
  const std::string folder = (disk.path() / "inventory").string();
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

}  // namespace
}  // namespace korvane::test

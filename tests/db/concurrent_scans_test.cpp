// Many scanner processes write to one inventory at once: none may fail because another
// holds the SQLite file, none holds more than one connection to the server, and scans of
// one computer at once never lose a history entry without a log line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/db/scannable_computer.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

// Every scanner makes one connection to the server and keeps it for its whole scan: the
// server, sampled all along, never shows a scanner with two sessions at once, nor with a
// second session after the first. The scanners tell themselves apart by the application
// name libpq takes from PGAPPNAME.
TEST(ConcurrentScans, EachScannerUsesOneConnectionForItsWholeScanOnPostgres) {
  KORVANE_SKIP_UNLESS_AVAILABLE(InventoryBackend::Postgres);
  constexpr int kScanners = 4;
  Inventory inventory(InventoryBackend::Postgres);
  TempDir lab;
  TempDir temp;
  const std::string prefix = "kvconn" + std::to_string(getpid()) + "_";
  // Slow answers spread each scan over about a second, so sampling sees every stage.
  const std::string latency = R"("latencyMs": {"wmiConnect": 150, "wmiQuery": 20, "registry": 20},)";
  std::vector<std::string> names;
  for (int i = 0; i < kScanners; ++i) {
    // Two computers the inventory already knows, two it does not.
    names.push_back(UniqueComputerName("CONN"));
    WriteFile(lab / (names.back() + ".json"), ScannableComputer(names.back(), "Maker " + std::to_string(i), {}, "1", latency));
  }
  auto scanAll = [&](int round) {
    std::vector<ScanResult> results(kScanners);
    std::vector<std::thread> threads;
    for (int i = 0; i < kScanners; ++i) {
      if (round == 0 && i % 2 == 1) continue;
      threads.emplace_back([&, i] {
        ScanOptions options;
        options.args = {ScanCommandLine(names[i], inventory.DataSource())};
        options.env = {{"KORVANE_LAB", lab.str()},
                       {"Temp", temp.str()},
                       {"PGAPPNAME", prefix + std::to_string(i)}};
        results[i] = RunScanner(options);
      });
    }
    std::map<std::string, std::set<std::string>> sessions;  // application -> backend pids
    int mostAtOnce = 0;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      const std::unique_ptr<Connection> monitor = inventory.Connect();
      while (!done) {
        auto rs = monitor->OpenRecordset(
            "SELECT application_name, CAST(pid AS varchar(20)) FROM pg_stat_activity "
            "WHERE application_name LIKE '" + prefix + "%'");
        std::map<std::string, int> now;
        for (bool row = rs->RecordCount() > 0; row; row = rs->MoveNext()) {
          const std::string app = rs->Field(0).text();
          sessions[app].insert(rs->Field(1).text());
          mostAtOnce = std::max(mostAtOnce, ++now[app]);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    for (auto& t : threads) t.join();
    done = true;
    watcher.join();
    for (int i = 0; i < kScanners; ++i) {
      if (round == 0 && i % 2 == 1) continue;
      SCOPED_TRACE(names[i]);
      EXPECT_EQ(results[i].exitCode, 0) << results[i].stderrText;
      ASSERT_FALSE(results[i].progress.empty());
      EXPECT_EQ(results[i].progress.back(), names[i] + ",Complete");
      EXPECT_EQ(inventory.RowsOf("Asset", names[i]).size(), 1u);
      EXPECT_EQ(inventory.RowsOf("DriveHistory", names[i] + "~C").size(), 1u);
      // Seen at all (the scan lasts long enough to be sampled), and with one session only.
      EXPECT_EQ(sessions[prefix + std::to_string(i)].size(), 1u);
    }
    EXPECT_EQ(mostAtOnce, 1);
  };
  scanAll(0);  // half of them become known computers
  scanAll(1);
  for (const std::string& line : ReadLines(temp / "DrevantaAssetDB.log")) {
    EXPECT_EQ(line.find("database"), std::string::npos) << line;
  }
}

// Whether the history text holds an entry "time~" & label & ... & " To " & value.
bool HasEntry(const std::string& history, const std::string& label, const std::string& value) {
  for (std::size_t start = 0, end; (end = history.find('^', start)) != std::string::npos; start = end + 1) {
    const std::string entry = history.substr(start, end - start);
    if (entry.find("~" + label) != std::string::npos && entry.ends_with(" To " + value)) return true;
  }
  return false;
}

class SameComputerAtOnce : public ::testing::TestWithParam<InventoryBackend> {};

// Each scan sees other values, so each has entries of its own to add. A scan that
// loses the race for the row must say so in its log; every other scan's entries are
// all there, and the value finally stored has its entry. On SQLite this is also the
// test that scanners wait for each other rather than fail on a locked file.
TEST_P(SameComputerAtOnce, EveryLostHistoryEntryHasALogLine) {
  KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
  constexpr int kScans = 8;
  constexpr int kRounds = 2;
  Inventory inventory(GetParam());
  const std::string name = UniqueComputerName("SAME");

  auto scan = [&](int n, const TempDir& temp) {
    TempDir lab;
    WriteFile(lab / (name + ".json"),
              ScannableComputer(name, "Maker " + std::to_string(n), {R"("App0")", R"("App1")", R"("App2")"}, std::to_string(n)));
    ScanOptions options;
    options.args = {ScanCommandLine(name, inventory.DataSource())};
    options.env = {{"KORVANE_LAB", lab.str()}, {"Temp", temp.str()}};
    return RunScanner(options);
  };
  {
    TempDir temp;
    ASSERT_EQ(scan(0, temp).exitCode, 0);
  }

  int lost = 0;
  int logged = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::unique_ptr<TempDir>> temps;
    for (int i = 0; i < kScans; ++i) temps.push_back(std::make_unique<TempDir>());
    std::vector<std::thread> threads;
    for (int i = 0; i < kScans; ++i) {
      threads.emplace_back([&, i] { scan(1 + round * kScans + i, *temps[static_cast<std::size_t>(i)]); });
    }
    for (auto& t : threads) t.join();

    const auto rows = inventory.RowsOf("Asset", name);
    ASSERT_EQ(rows.size(), 1u);
    const std::string history = rows[0][92].text();
    for (int i = 0; i < kScans; ++i) {
      const std::string n = std::to_string(1 + round * kScans + i);
      // (label, value the entry ends with)
      std::vector<std::pair<std::string, std::string>> expected{{"Manufacturer changed from ", "Maker " + n}};
      for (int p = 0; p < 3; ++p) expected.emplace_back("App" + std::to_string(p) + " Version changed from ", n);
      int missing = 0;
      for (const auto& [label, value] : expected) {
        if (!HasEntry(history, label, value)) ++missing;
      }
      const auto log = ReadLines(*temps[static_cast<std::size_t>(i)] / "DrevantaAssetDB.log");
      lost += missing;
      logged += log.empty() ? 0 : 1;
      EXPECT_TRUE(missing == 0 || !log.empty())
          << "scan " << n << " lost " << missing << " entries without a log line\n" << history;
      for (const std::string& line : log) {
        EXPECT_NE(line.find("Row cannot be located for updating"), std::string::npos) << line;
      }
    }
    // The manufacturer finally stored came with its entry.
    const std::string stored = rows[0][1].text();
    EXPECT_TRUE(HasEntry(history, "Manufacturer changed from ", stored)) << stored << "\n" << history;
  }
  std::cout << "[          ] " << lost << " entries lost, " << logged << " scans logged it\n";
}

// Not on the memory database: these are scanner processes, and only this test process
// can reach it. (Its recordsets meet another writer in the contract suite.)
INSTANTIATE_TEST_SUITE_P(Backends, SameComputerAtOnce, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

}  // namespace
}  // namespace korvane::test

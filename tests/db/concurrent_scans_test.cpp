// Many scanner processes write to one inventory at once: none may fail because another
// holds the SQLite file, none holds more than one connection to the server, and scans of
// one computer at once never lose a history entry without a log line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "tests/support/scannable_computer.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

// A scanner keeps one connection to the server for its whole scan: sampled all along, the
// server never shows it a second session. PGAPPNAME names the scanner's sessions.
TEST(ConcurrentScans, EachScannerUsesOneConnectionForItsWholeScanOnPostgres) {
  KORVANE_SKIP_UNLESS_AVAILABLE(InventoryBackend::Postgres);
  Inventory inventory(InventoryBackend::Postgres);
  TempDir lab;
  TempDir temp;
  const std::string name = UniqueComputerName("CONN");
  // Slow answers spread the scan over about a second, so sampling sees every stage.
  const std::string latency = R"("latencyMs": {"wmiConnect": 150, "wmiQuery": 20, "registry": 20},)";
  WriteFile(lab / (name + ".json"), ScannableComputer(name, "Maker", {}, "1", latency));
  // First a computer the inventory does not know, then one it knows.
  for (int round = 0; round < 2; ++round) {
    const std::string app = "kvconn" + std::to_string(getpid()) + "_" + std::to_string(round);
    std::set<std::string> sessions;  // backend pids
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      const std::unique_ptr<Connection> monitor = inventory.Connect();
      while (!done) {
        auto rs = monitor->OpenRecordset("SELECT CAST(pid AS varchar(20)) FROM pg_stat_activity "
                                         "WHERE application_name = '" + app + "'");
        for (bool row = rs->RecordCount() > 0; row; row = rs->MoveNext()) {
          sessions.insert(rs->Field(0).text());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    const ScanResult result =
        ScanFromLab(name, inventory.DataSource(), lab.str(), temp.str(), {.env = {{"PGAPPNAME", app}}});
    done = true;
    watcher.join();
    EXPECT_EQ(result.exitCode, 0) << result.stderrText;
    ASSERT_FALSE(result.progress.empty());
    EXPECT_EQ(result.progress.back(), name + ",Complete");
    // Seen at all (the scan lasts long enough to be sampled), and only ever one session.
    EXPECT_EQ(sessions.size(), 1u);
  }
  EXPECT_EQ(inventory.RowsOf("DriveHistory", name + "~C").size(), 1u);
  for (const std::string& line : ReadLines(temp / "DrevantaAssetDB.log")) {
    EXPECT_EQ(line.find("database"), std::string::npos) << line;
  }
}

// Whether the history text holds an entry that starts with `label` and ends " To " & value.
bool HasEntry(const std::string& history, const std::string& label, const std::string& value) {
  return std::ranges::any_of(ParseHistory(history), [&](const StoredChange& e) {
    return e.text.starts_with(label) && e.text.ends_with(" To " + value);
  });
}

// Program name to version of a stored software list.
std::map<std::string, std::string> Programs(const std::string& list) {
  std::map<std::string, std::string> programs;
  for (const SoftwareEntry& e : ParseSoftwareList(list)) programs[e.Program] = e.Version;
  return programs;
}

// Replays history entries from earlier values and list: each entry must start from what
// the entries before it left, and the end must be what is stored. Returns what does not
// fit; empty when the entries explain the row.
std::string ReplayMismatch(const std::string& entries, std::string manufacturer,
                           std::map<std::string, std::string> programs, const std::string& storedMaker,
                           const std::string& storedList) {
  std::string out;
  for (const StoredChange& e : ParseHistory(entries)) {
    if (e.kind == ChangeKind::FieldChanged && e.subject == "Manufacturer") {
      if (e.from != manufacturer) out += "from " + e.from + " but was " + manufacturer + "; ";
      manufacturer = e.to;
    } else if (e.kind == ChangeKind::SoftwareRemoved) {
      if (programs.erase(e.subject) == 0) out += "removed unknown " + e.subject + "; ";
    } else if (e.kind == ChangeKind::SoftwareInstalled) {
      if (!programs.emplace(e.subject, "?").second) out += "installed twice " + e.subject + "; ";
    } else if (e.kind == ChangeKind::SoftwareChanged && e.what == "Version") {
      auto it = programs.find(e.subject);
      if (it == programs.end()) {
        out += "version of unknown " + e.subject + "; ";
      } else {
        if (it->second != "?" && it->second != e.from) {
          out += e.subject + " from " + e.from + " but was " + it->second + "; ";
        }
        it->second = e.to;
      }
    }
  }
  if (manufacturer != storedMaker) out += "replayed maker " + manufacturer + " but stored " + storedMaker + "; ";
  const std::map<std::string, std::string> stored = Programs(storedList);
  for (const auto& [program, version] : programs) {
    auto it = stored.find(program);
    if (it == stored.end()) {
      out += "replayed " + program + " not stored; ";
    } else if (version != "?" && version != it->second) {
      out += "replayed " + program + " " + version + " but stored " + it->second + "; ";
    }
  }
  for (const auto& [program, version] : stored) {
    if (!programs.contains(program)) out += "stored " + program + " never installed; ";
  }
  return out;
}

class SameComputerAtOnce : public ::testing::TestWithParam<InventoryBackend> {};

// Each scan sees other values and one program of its own, so each has entries of its own
// to add. A scan that loses the race for the row says so in its log; every other scan's
// entries are all there, and the history explains the stored values and software list.
// On SQLite this also shows that scanners wait for a locked file rather than fail.
TEST_P(SameComputerAtOnce, EveryLostHistoryEntryHasALogLine) {
  KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
  constexpr std::size_t kScans = 8;
  constexpr std::size_t kRounds = 2;
  Inventory inventory(GetParam());
  const std::string name = UniqueComputerName("SAME");

  auto scan = [&](std::size_t n, const TempDir& temp) {
    TempDir lab;
    WriteFile(lab / (name + ".json"),
              ScannableComputer(name, "Maker " + std::to_string(n),
                                {R"("App0")", R"("App1")", R"("App2")", "\"Only" + std::to_string(n) + "\""},
                                std::to_string(n)));
    return ScanFromLab(name, inventory.DataSource(), lab.str(), temp.str());
  };
  ASSERT_EQ(scan(0, TempDir()).exitCode, 0);
  // What the entries of each round start from (the oldest entries are trimmed away).
  std::string before = inventory.RowsOf("Asset", name).at(0)[92].text();
  std::string makerBefore = "Maker 0";
  std::string listBefore = inventory.RowsOf("Software", name).at(0)[1].text();

  for (std::size_t round = 0; round < kRounds; ++round) {
    std::vector<TempDir> temps(kScans);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kScans; ++i) {
      threads.emplace_back([&, i] { scan(1 + round * kScans + i, temps[i]); });
    }
    for (auto& t : threads) t.join();

    const auto rows = inventory.RowsOf("Asset", name);
    ASSERT_EQ(rows.size(), 1u);
    const std::string history = rows[0][92].text();
    for (std::size_t i = 0; i < kScans; ++i) {
      const std::string n = std::to_string(1 + round * kScans + i);
      int missing = HasEntry(history, "Manufacturer changed from ", "Maker " + n) ? 0 : 1;
      for (const char* app : {"App0", "App1", "App2"}) {
        missing += HasEntry(history, std::string(app) + " Version changed from ", n) ? 0 : 1;
      }
      const auto log = ReadLines(temps[i] / "DrevantaAssetDB.log");
      EXPECT_TRUE(missing == 0 || !log.empty())
          << "scan " << n << " lost " << missing << " entries without a log line\n" << history;
      for (const std::string& line : log) {
        EXPECT_NE(line.find("Row cannot be located for updating"), std::string::npos) << line;
      }
    }
    // The manufacturer finally stored came with its entry.
    const std::string stored = rows[0][1].text();
    EXPECT_TRUE(HasEntry(history, "Manufacturer changed from ", stored)) << stored << "\n" << history;
    const std::string list = inventory.RowsOf("Software", name).at(0)[1].text();
    const std::string lastBefore = before.substr(before.rfind('^', before.size() - 2) + 1);
    const std::size_t from = history.find(lastBefore);
    ASSERT_NE(from, std::string::npos) << history;
    EXPECT_EQ(ReplayMismatch(history.substr(from + lastBefore.size()), makerBefore, Programs(listBefore), stored, list),
              "")
        << history << "\n" << list;
    before = history;
    makerBefore = stored;
    listBefore = list;
  }
}

// Not on the memory database, which no scanner process can reach.
INSTANTIATE_TEST_SUITE_P(Backends, SameComputerAtOnce, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

}  // namespace
}  // namespace korvane::test

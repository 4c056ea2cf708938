// The PostgreSQL server stopped in the middle of a reconciliation and started again. The
// test runs a cluster of its own (scripts/postgres-setup.sh in its own directory, under
// its own DSN name), so the server the other tests share is never stopped. Its DSN is a
// user data source in a file of its own (ODBCINI): registering a system one would
// rewrite /etc/odbc.ini while the tests running beside it read their DSNs from it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/faults/fault_lab.h"

namespace korvane::test {
namespace {

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

std::size_t VersionEntries(const Inventory& inventory, const std::string& name) {
  try {
    const auto rows = inventory.RowsOf("Asset", name);
    if (rows.empty() || rows[0][92].kind() != Variant::Kind::Text) return 0;
    const std::string& history = rows[0][92].text();
    std::size_t n = 0;
    for (std::size_t at = 0; (at = history.find(" Version changed from ", at)) != std::string::npos; ++at) ++n;
    return n;
  } catch (const std::exception&) {
    return 0;
  }
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

  // Every program changes version: the rescan writes one History entry per program. The
  // scanner is held still (SIGSTOP) while the entries are counted, and the server goes
  // down once some, but not all, are stored.
  WriteFile(lab / (name + ".json"), FaultComputer(name, 1, kPrograms));
  bool stopped = false;
  std::size_t storedBefore = 0;
  const ScanResult r = ScanOnce(name, *dsn, lab, temp, [&](pid_t pid, const std::string& line) {
    if (line != name + ",100") return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      kill(pid, SIGSTOP);
      storedBefore = VersionEntries(inventory, name);
      if (storedBefore >= 10) {
        stopped = StopServer();
        kill(pid, SIGCONT);
        return;
      }
      kill(pid, SIGCONT);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  ASSERT_TRUE(stopped) << "the server was not stopped during the reconciliation";
  EXPECT_LT(storedBefore, static_cast<std::size_t>(kPrograms));
  EXPECT_EQ(r.signal, 0) << r.stderrText;
  ASSERT_FALSE(r.progress.empty());
  EXPECT_EQ(r.progress.back(), name + ",Complete");
  const std::string log = ReadFile(temp / "DrevantaAssetDB.log");
  EXPECT_NE(log.find(",Error updating database," + name + ":"), std::string::npos) << log;

  // Started again: what was stored survived, once, and a rescan completes the computer.
  const auto again = StartServer();
  ASSERT_TRUE(again) << ReadFile(kCluster + "-setup.log");
  ExpectNoDuplicateRows(inventory, name);
  EXPECT_GE(VersionEntries(inventory, name), storedBefore);
  const ScanResult rescan = ScanOnce(name, *again, lab, temp);
  EXPECT_EQ(rescan.exitCode, 0) << rescan.stderrText;
  ExpectComplete(inventory, name, 1, kPrograms);
  Shell("KORVANE_PG_DSN_SCOPE=user KORVANE_PG_DSN_NAME=" + kDsnName + " bash " KORVANE_SOURCE_DIR "/scripts/postgres-stop.sh " +
        kCluster + " --remove >/dev/null 2>&1");
}

}  // namespace
}  // namespace korvane::test

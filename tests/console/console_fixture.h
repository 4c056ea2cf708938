// Running the real korvane-console in tests, and small labs written by hand.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {

// The summary row of a computer (the line that starts with its padded name).
std::string RowOf(const ScanResult& run, const std::string& computer);

ScanResult RunConsole(const std::vector<std::string>& args, std::map<std::string, std::string> env = {},
                      std::optional<std::string> fakeTime = std::nullopt);

// A computer that answers everything: WMI, two programs, a service, a logon and C$.
std::string FullComputerJson(const std::string& name, const std::string& freeBytes = "12884901888",
                             const std::string& memoryBytes = "536281088");

// Hand-written computers and an inventory made by init-db in the scans' Temp (with their log).
struct ConsoleLab {
  // On `source` (a DSN) instead of a new SQLite inventory, when given.
  explicit ConsoleLab(const std::string& dataSource = "");
  void Add(const std::string& name, const std::string& json) const { WriteFile(lab / (name + ".json"), json); }
  ScanResult Scan(const std::vector<std::string>& args, std::optional<std::string> fakeTime = std::nullopt) const;
  // What `show` of the inventory with `args` writes; it must succeed.
  std::string Show(std::vector<std::string> args, std::optional<std::string> fakeTime = std::nullopt) const;
  std::string LogPath() const { return (dir / "DrevantaAssetDB.log").string(); }

  TempDir dir;
  TempDir lab;
  std::string source;
};

// Its WMI refuses (a log line at once), then it takes a minute over its services.
inline constexpr const char* kLogsThenHangs = R"({"wmi": {"connect": "Access is denied."},
 "registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"}}},
 "latencyMs": {"services": 60000, "logons": 60000, "shares": 60000}})";

// Starts `korvane-console scan` on the lab with stdout and stderr into `output`, the
// descriptors in `closed` closed.
pid_t StartConsole(const ConsoleLab& c, const std::vector<std::string>& args, const std::string& output,
                   const std::vector<int>& closed = {});

inline constexpr int kEndedBySignal = 1000;
// Waits up to a minute: the exit status, kEndedBySignal + the signal that ended it, or -1
// (and then it is killed).
int WaitFor(pid_t pid);

// The processes other than `except` whose command line mentions `text`.
std::vector<pid_t> ProcessesMentioning(const std::string& text, pid_t except);

// How many scans' own logs, in the run folders below the lab's Temp, hold `text`.
std::size_t RunLogsHolding(const ConsoleLab& c, const std::string& text);

// Passes when `part` occurs in `text`, else shows the whole text.
::testing::AssertionResult Contains(const std::string& text, const std::string& part);

// The inventory at `source` (a directory or a DSN), through the scanners' database layer.
inline Inventory InventoryAt(const std::string& source) { return Inventory(InventoryBackend::Sqlite, source); }

}  // namespace korvane::test

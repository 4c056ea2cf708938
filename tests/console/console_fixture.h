// Running the real korvane-console in tests, and small labs written by hand.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {

struct ConsoleRun {
  int exitCode = -1;
  std::vector<std::string> out;
  std::string err;
  // The whole standard output, for searching.
  std::string Text() const;
  // The summary row of a computer (the line that starts with its padded name).
  std::string RowOf(const std::string& computer) const;
};

ConsoleRun RunConsole(const std::vector<std::string>& args, std::map<std::string, std::string> env = {},
                      std::optional<std::string> fakeTime = std::nullopt);

// A computer that answers everything: WMI, registry with two programs, one service, a
// logged-on user and the C$ share.
std::string FullComputerJson(const std::string& name, const std::string& freeBytes = "12884901888",
                             const std::string& memoryBytes = "536281088");

void WriteComputer(const TempDir& lab, const std::string& name, const std::string& json);

// The inventory a console made at `source` (a directory or a DSN), read and written
// through the scanners' own database layer.
inline Inventory InventoryAt(const std::string& source) { return Inventory(InventoryBackend::Sqlite, source); }

}  // namespace korvane::test

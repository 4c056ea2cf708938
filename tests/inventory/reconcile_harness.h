// One in-process scan against the in-memory inventory: the Korvane state with test
// doubles for the process, the console and the clock, and readers for the results.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scan/korvane.h"
#include "platform/clock.h"
#include "tests/support/doubles.h"
#include "tests/support/memory_db.h"

namespace korvane::inventory_test {

using test::MemoryDatabase;
using test::Row;

// A clock that moves one second on at every reading, so that texts composed at
// different moments can be told apart.
class SteppingClock : public Clock {
 public:
  LocalTime Now() override;
  LocalTime next{2003, 2, 14, 9, 5, 30};
};

// A computer as the collectors would leave it: one processor, drives C: and D:.
MachineSnapshot KnownMachine();

class Reconciliation {
 public:
  Reconciliation();
  // A fresh scan state (a new process) for the computer PC01 with this snapshot.
  Korvane& NewScan(const MachineSnapshot& snap, bool userOnly = false);
  Korvane& k() { return *k_; }

  // The Asset row of PC01 (the first one).
  Row Asset();
  // The change texts of the History entries, oldest first (time stamps dropped).
  std::vector<std::string> Changes();
  // The time stamps of the History entries.
  std::vector<std::string> Stamps();
  // The ordinals of the one-column updates of `table` since `from`, in order.
  std::vector<int> UpdatesOf(const std::string& table, std::size_t from = 0);
  std::vector<std::string> LogLines();
  std::vector<std::string> Progress() { return console.Delivered(); }

  MemoryDatabase db;
  SteppingClock clock;
  test::TestProcess process;
  test::RecordingConsole console;

 private:
  std::unique_ptr<Korvane> k_;
};

}  // namespace korvane::inventory_test

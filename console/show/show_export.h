// `show --format csv|json`: the inventory for other programs. CSV: a header row and one
// row per computer (RFC 4180). JSON: an array of the same summaries, or for one computer
// an object with every stored value and the parsed history, drive series, software and
// services. The shapes are described in docs/console.md.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "console/rows/fleet_problems.h"
#include "console/show/spilled_sort.h"
#include "console/rows/inventory_rows.h"
#include "formats/history_text.h"
#include "platform/database.h"

namespace korvane::console {

// `computer` empty: every computer.
// `raw`: cells that a spreadsheet would take for a formula are kept as they are.
void ShowCsv(Connection& connection, const std::string& computer, std::ostream& out, bool raw = false,
             BesideSessions* beside = nullptr);
void ShowJson(Connection& connection, const std::string& computer, std::ostream& out, BesideSessions* beside = nullptr);

// The kind of a history entry as the changes lists name it: "hardware", "drive",
// "software installed", "software removed", "software version", "created" or "note".
std::string ChangeKindName(const StoredChange& e);

// One fleet-wide table (`show --table`, and the CSV files beside the report): one row per
// computer, per (computer, program), per (computer, drive), per change or per problem.
// The computers are handed in one at a time as they stream past; the changes and the
// problems alone are kept until Finish, to be written newest first and by kind. Both commands write a table through this, so the
// report's files are the same bytes `show` writes.
class FleetTable {
 public:
  enum Kind { kComputers, kSoftware, kDrives, kChanges, kProblems, kTables };
  // kText, for people: the changes only, in columns (its texts still to be made safe for
  // a terminal).
  enum Format { kCsv, kJson, kText };

  // The changes dated from day `firstDay` to `lastDay` (day numbers, both included); the
  // problems as of day `lastDay`, stale after `staleDays`.
  FleetTable(Kind kind, Format format, std::ostream& out, bool raw = false, int firstDay = 0, int lastDay = 0,
             int staleDays = 30);
  // What a computer's rows must hold for this table (ReadPart bits).
  static unsigned Parts(Kind kind);
  // "computers" and the like; the file the report writes is NAME.csv.
  static const char* Name(Kind kind);

  // The problems: the LastAccess table's times, before the first Add.
  void AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times);
  void Add(const ComputerRows& c);
  // A problem found by a finder of the caller's (the report's, which also makes a page of
  // them); a problems table given this is given no computers.
  void AddProblem(const Problem& problem);
  // The changes, and JSON's closing bracket.
  void Finish();

 private:
  struct Cell {
    std::string text;  // for CSV
    std::string json;  // a JSON value
  };
  void Emit(const std::vector<Cell>& cells);

  Kind kind_;
  Format format_;
  std::ostream& out_;
  bool raw_;
  int firstDay_, lastDay_;
  std::vector<std::string> names_;
  bool first_ = true;
  std::size_t rows_ = 0;
  SpilledSort changes_;   // time, computer, kind, text
  SpilledSort problems_;  // kind digit, computer, "1" when inventoried, time, detail
  std::unique_ptr<ProblemFinder> finder_;  // the problems of the computers handed to Add
};

}  // namespace korvane::console

// What the report's problems and changes pages gather while the computers stream past.
//
// Problems: computers that did not answer at the fleet's last answered day (or never),
// answered but were not inventoried (no access), were collected without WMI, were not
// scanned for `staleDays` days, and likely duplicates (one BIOS serial number and maker
// under several names: a renamed computer leaves its old record behind). The rows go to
// scratch files as they are found; only the duplicates' candidates and the last-access
// names are kept in memory, a few dozen bytes per computer.
//
// Changes: the history entries of the last `changesDays` days, newest first; the page
// shows the newest kChangesShown, every one goes to the CSV written beside the report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "console/report/report.h"
#include "console/show/show_export.h"

namespace korvane::console {

class ReportProblems {
 public:
  static constexpr std::size_t kChangesShown = 2000;

  ReportProblems(std::filesystem::path dir, ReportContext context);

  // The LastAccess table's times; before the first Add.
  void AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times);
  void Add(const ComputerRows& c, const std::string& page);

  // problems.html, changes.html and changes.csv.
  void Finish();

  // (anchor, title, count) of every kind of problem, in page order.
  struct Count {
    const char* anchor;
    const char* title;
    std::size_t count;
  };
  std::vector<Count> Counts() const;

 private:
  enum Kind { kNotAnswering, kNoAccess, kWithoutWmi, kStale, kRenamed, kKinds };
  struct Candidate {
    std::string name, page, lastScan;
  };
  struct Change {
    std::string time, computer, page, kind, html;
    bool operator<(const Change& o) const { return time > o.time; }  // newest first
  };

  void Row(Kind kind, const std::string& cells);
  void WriteProblems();
  void WriteChanges();

  std::filesystem::path dir_;
  ReportContext context_;
  std::ofstream parts_[kKinds];
  std::size_t counts_[kKinds] = {};
  // LastAccess by folded name: its time text (empty for Null) and whether Asset has it.
  struct Access {
    std::string folded, name, time;
    bool inventoried = false;
  };
  std::vector<Access> access_;
  int lastAnswerDay_ = 0;
  std::map<std::string, std::vector<Candidate>> bySerial_;
  std::vector<Change> changes_;  // a heap of the newest kChangesShown
  std::size_t changeCount_ = 0;
  std::ofstream changesCsv_;
  std::unique_ptr<FleetTable> changesTable_;  // changes.csv, as `show --table changes` writes it
};

}  // namespace korvane::console

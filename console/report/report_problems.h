// What the report's problems and changes pages gather while the computers stream past.
//
// Problems: what ProblemFinder finds (console/rows/fleet_problems.h). The rows go to
// scratch files as they are found, and to problems.csv beside the report.
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
#include "console/rows/fleet_problems.h"
#include "console/show/show_export.h"

namespace korvane::console {

class ReportProblems {
 public:
  static constexpr std::size_t kChangesShown = 2000;

  ReportProblems(std::filesystem::path dir, ReportContext context);

  // The LastAccess table's times; before the first Add.
  void AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times);
  void Add(const ComputerRows& c, const std::string& page);

  // problems.html, problems.csv, changes.html and changes.csv.
  void Finish();

  // (anchor, title, count) of every kind of problem, in page order.
  struct Count {
    const char* anchor;
    const char* title;
    std::size_t count;
  };
  std::vector<Count> Counts() const;

 private:
  static constexpr int kKinds = Problem::kKinds;
  struct Change {
    std::string time, computer, page, kind, html;
    bool operator<(const Change& o) const { return time > o.time; }  // newest first
  };

  void Row(const Problem& problem);
  void WriteProblems();
  void WriteChanges();

  std::filesystem::path dir_;
  ReportContext context_;
  std::ofstream parts_[kKinds];
  std::size_t counts_[kKinds] = {};
  ProblemFinder finder_;
  std::ofstream problemsCsv_;
  std::unique_ptr<FleetTable> problemsTable_;  // problems.csv, as `show --table problems` writes it
  std::vector<Change> changes_;  // a heap of the newest kChangesShown
  std::size_t changeCount_ = 0;
  std::ofstream changesCsv_;
  std::unique_ptr<FleetTable> changesTable_;  // changes.csv, as `show --table changes` writes it
};

}  // namespace korvane::console

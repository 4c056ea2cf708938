// The computers that need a look, found while the whole inventory streams past: did not
// answer at the fleet's last answered day (or never), answered but were not inventoried
// (no access), were collected without WMI, were not scanned for `staleDays` days, and
// likely duplicates (one BIOS serial number and maker under several names: a renamed
// computer leaves its old record behind). The report's problems page and
// `show --table problems` both list what this finds, so they never disagree. Only the
// duplicates' candidates and the last-access names are kept, a few dozen bytes per
// computer; every other problem is handed on as soon as it is found.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "console/rows/inventory_rows.h"

namespace korvane::console {

struct Problem {
  enum Kind { kNotAnswering, kNoAccess, kWithoutWmi, kStale, kRenamed, kKinds };
  Kind kind = kNotAnswering;
  std::string computer;
  std::string page;    // the tag Add was given; empty for a name without an Asset row
  std::string time;    // last answered (not answering, no access) or last scan; "never"
  std::string detail;  // days since, the reason, what is missing, or the serial number and maker
  bool days = false;   // `detail` is a number of days
  bool olderName = false;  // renamed: not the newest scan of its serial number
};

// "not-answering", "no-access", "without-wmi", "stale" or "renamed".
const char* ProblemWord(Problem::Kind kind);

// "3 days", "1 day".
std::string DaysText(int days);

class ProblemFinder {
 public:
  ProblemFinder(int today, int staleDays, std::function<void(const Problem&)> found);

  // The LastAccess table's times; before the first Add.
  void AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times);
  // `page` comes back in the computer's problems.
  void Add(const ComputerRows& c, const std::string& page);
  // The names LastAccess has and Asset has not, and the duplicates.
  void Finish();

 private:
  struct Candidate {
    std::string name, page, lastScan;
  };
  struct Access {
    std::string folded, name, time;
    bool inventoried = false;
  };
  void Found(Problem::Kind kind, const std::string& computer, const std::string& page, const std::string& time,
             const std::string& detail, bool days = false, bool olderName = false);

  int today_;
  int staleDays_;
  std::function<void(const Problem&)> found_;
  std::vector<Access> access_;  // by folded name
  int lastAnswerDay_ = 0;
  std::map<std::string, std::vector<Candidate>> bySerial_;
};

}  // namespace korvane::console

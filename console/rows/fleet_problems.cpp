#include "console/rows/fleet_problems.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "formats/drive_history_text.h"
#include "formats/history_text.h"
#include "inventory/query_texts.h"

namespace korvane::console {

namespace {

std::string Folded(const std::string& text) {
  std::string f = text;
  for (char& c : f) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return f;
}

// Serial numbers that makers leave in place of a real one.
bool Meaningless(const std::string& serial) {
  const std::string f = Folded(serial);
  for (const char* junk : {"", "0", "none", "n/a", "default string", "to be filled by o.e.m.", "system serial number",
                           "not specified", "123456789", "0123456789"}) {
    if (f == junk) return true;
  }
  return f.find_first_not_of(" 0.-") == std::string::npos;
}

}  // namespace

const char* ProblemWord(Problem::Kind kind) {
  static const char* const kWords[] = {"not-answering", "no-access", "without-wmi", "stale", "renamed"};
  return kWords[kind];
}

std::string DaysText(int days) { return std::to_string(days) + (days == 1 ? " day" : " days"); }

ProblemFinder::ProblemFinder(int today, int staleDays, std::function<void(const Problem&)> found)
    : today_(today), staleDays_(staleDays), found_(std::move(found)) {}

void ProblemFinder::Found(Problem::Kind kind, const std::string& computer, const std::string& page,
                          const std::string& time, const std::string& detail, bool days, bool olderName) {
  found_(Problem{kind, computer, page, time, detail, days, olderName});
}

void ProblemFinder::AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times) {
  access_.reserve(access_.size() + times.size());
  for (const auto& [name, when] : times) {
    Access a{Folded(name), name, Text(when), false};
    if (const std::optional<int> day = DayNumber(a.time)) lastAnswerDay_ = std::max(lastAnswerDay_, *day);
    access_.push_back(std::move(a));
  }
  std::sort(access_.begin(), access_.end(), [](const Access& x, const Access& y) { return x.folded < y.folded; });
}

void ProblemFinder::Add(const ComputerRows& c, const std::string& page) {
  const AssetRow& a = c.asset;
  const std::string name = Text(a[asset::kComputer]);
  const std::string lastScan = Text(a[asset::kLastScan]);
  const std::optional<int> scanDay = DayNumber(lastScan);
  const std::string folded = Folded(name);
  auto found = std::lower_bound(access_.begin(), access_.end(), folded,
                                [](const Access& x, const std::string& f) { return x.folded < f; });
  if (found != access_.end() && found->folded == folded) found->inventoried = true;

  const std::string answered = c.lastAccess ? Text(*c.lastAccess) : "";
  const std::optional<int> answerDay = DayNumber(answered);
  if (!answerDay || *answerDay < lastAnswerDay_) {
    Found(Problem::kNotAnswering, name, page, answered.empty() ? "never" : answered,
          answerDay ? DaysText(today_ - *answerDay) : "", true);
  } else if (!scanDay || *scanDay < *answerDay) {
    Found(Problem::kNoAccess, name, page, answered,
          scanDay ? "answered, not inventoried since " + lastScan.substr(0, 10) : "answered, never inventoried");
  }
  // What only WMI tells: the maker, the model, the processors and the memory.
  if (scanDay && UnpinnedText(a[asset::kManufacturer]).empty() && UnpinnedText(a[asset::kModel]).empty() &&
      UnpinnedText(a[asset::ProcessorName(1)]).empty() && Number(a[asset::kTotalPhysicalMemory]) <= 0) {
    Found(Problem::kWithoutWmi, name, page, lastScan, "maker, model, processors, memory");
  }
  if (scanDay && today_ - *scanDay > staleDays_) {
    Found(Problem::kStale, name, page, lastScan, DaysText(today_ - *scanDay), true);
  }
  const std::string serial = UnpinnedText(a[asset::kSerialNumber]);
  if (!Meaningless(serial)) {
    std::string maker = UnpinnedText(a[asset::kManufacturer]);
    if (maker.empty()) maker = UnpinnedText(a[asset::kBIOSManufacturer]);
    bySerial_[Folded(serial) + '\x1f' + Folded(maker)].push_back({name, page, lastScan});
  }
}

void ProblemFinder::Finish() {
  // LastAccess names without an Asset row: never reached, or reached and never read.
  for (const Access& a : access_) {
    if (a.inventoried) continue;
    const std::optional<int> day = DayNumber(a.time);
    if (!day || *day < lastAnswerDay_) {
      Found(Problem::kNotAnswering, a.name, "", a.time.empty() ? "never" : a.time, day ? DaysText(today_ - *day) : "",
            true);
    } else {
      Found(Problem::kNoAccess, a.name, "", a.time, "answered, never inventoried");
    }
  }
  for (auto& [key, group] : bySerial_) {
    if (group.size() < 2) continue;
    // The newest scan first: it is the name the computer has now.
    std::stable_sort(group.begin(), group.end(), [](const Candidate& x, const Candidate& y) { return x.lastScan > y.lastScan; });
    const std::string what = key.substr(0, key.find('\x1f')) + ", " + key.substr(key.find('\x1f') + 1);
    for (std::size_t i = 0; i < group.size(); ++i) {
      Found(Problem::kRenamed, group[i].name, group[i].page, group[i].lastScan, what, false, i > 0);
    }
  }
  bySerial_.clear();
  access_.clear();
}

}  // namespace korvane::console

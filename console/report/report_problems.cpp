#include "console/report/report_problems.h"

#include <algorithm>
#include <cctype>

#include "console/text/escaping.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

struct KindText {
  const char* anchor;
  const char* title;
  const char* explanation;
  const char* header;  // the columns after Computer
};

constexpr KindText kKindTexts[] = {
    {"not-answering", "Did not answer",
     "Not answering the echo request on the last day any computer answered, or never.",
     "<th>Last answered</th><th>Days since</th>"},
    {"no-access", "No access",
     "Answered the echo request but were not inventoried then: the scan could not read them.",
     "<th>Last answered</th><th>Reason</th>"},
    {"without-wmi", "Collected without WMI",
     "WMI could not be reached: only the disks, the registry's system values and the services were read.",
     "<th>Last scan</th><th>Missing</th>"},
    {"stale", "Not scanned lately", "", "<th>Last scan</th><th>Days since</th>"},
    {"renamed", "Renamed?", "The same BIOS serial number and maker under more than one name.",
     "<th>Last scan</th><th>Serial number and maker</th>"},
};

std::string Folded(const std::string& text) {
  std::string f = text;
  for (char& c : f) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return f;
}

std::string Days(int days) { return std::to_string(days) + (days == 1 ? " day" : " days"); }

// Serial numbers that makers leave in place of a real one.
bool Meaningless(const std::string& serial) {
  const std::string f = Folded(serial);
  for (const char* junk : {"", "0", "none", "n/a", "default string", "to be filled by o.e.m.", "system serial number",
                           "not specified", "123456789", "0123456789"}) {
    if (f == junk) return true;
  }
  return f.find_first_not_of(" 0.-") == std::string::npos;
}

std::string Link(const std::string& page, const std::string& name) {
  return "<a href=\"" + page + "\">" + Html(name) + "</a>";
}

}  // namespace

ReportProblems::ReportProblems(std::filesystem::path dir, ReportContext context)
    : dir_(std::move(dir)), context_(std::move(context)) {
  for (int k = 0; k < kKinds; ++k) {
    parts_[k].open(dir_ / (".problems." + std::to_string(k) + ".part"), std::ios::binary | std::ios::trunc);
    if (!parts_[k]) throw RuntimeError(0, "cannot write scratch files in " + dir_.string());
  }
  changesCsv_.open(dir_ / "changes.csv", std::ios::binary | std::ios::trunc);
  if (!changesCsv_) throw RuntimeError(0, "cannot write " + (dir_ / "changes.csv").string());
  changesTable_ = std::make_unique<FleetTable>(FleetTable::kChanges, FleetTable::kCsv, changesCsv_, false,
                                               context_.today - context_.changesDays + 1, context_.today);
}

void ReportProblems::Row(Kind kind, const std::string& cells) {
  ++counts_[kind];
  parts_[kind] << "<tr>" << cells << "</tr>\n";
}

void ReportProblems::AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times) {
  for (const auto& [name, when] : times) {
    Access a{Folded(name), name, Text(when), false};
    if (const std::optional<int> day = DayNumber(a.time)) lastAnswerDay_ = std::max(lastAnswerDay_, *day);
    access_.push_back(std::move(a));
  }
  std::sort(access_.begin(), access_.end(), [](const Access& x, const Access& y) { return x.folded < y.folded; });
}

void ReportProblems::Add(const ComputerRows& c, const std::string& page) {
  const AssetRow& a = c.asset;
  const std::string name = Text(a[asset::kComputer]);
  const std::string link = "<td>" + Link(page, name) + "</td>";
  const std::string lastScan = Text(a[asset::kLastScan]);
  const std::optional<int> scanDay = DayNumber(lastScan);
  const std::string folded = Folded(name);
  auto found = std::lower_bound(access_.begin(), access_.end(), folded,
                                [](const Access& x, const std::string& f) { return x.folded < f; });
  if (found != access_.end() && found->folded == folded) found->inventoried = true;

  const std::string answered = c.lastAccess ? Text(*c.lastAccess) : "";
  const std::optional<int> answerDay = DayNumber(answered);
  if (!answerDay || *answerDay < lastAnswerDay_) {
    Row(kNotAnswering, link + "<td>" + (answered.empty() ? "never" : Html(answered)) + "</td><td class=\"num\">" +
                           (answerDay ? Days(context_.today - *answerDay) : "") + "</td>");
  } else if (!scanDay || *scanDay < *answerDay) {
    Row(kNoAccess, link + "<td>" + Html(answered) + "</td><td>" +
                       (scanDay ? "answered, not inventoried since " + Html(lastScan.substr(0, 10))
                                : std::string("answered, never inventoried")) + "</td>");
  }
  // What only WMI tells: the maker, the model, the processors and the memory.
  if (scanDay && UnpinnedText(a[asset::kManufacturer]).empty() && UnpinnedText(a[asset::kModel]).empty() &&
      UnpinnedText(a[asset::ProcessorName(1)]).empty() && Number(a[asset::kTotalPhysicalMemory]) <= 0) {
    Row(kWithoutWmi, link + "<td>" + Html(lastScan) + "</td><td>maker, model, processors, memory</td>");
  }
  if (scanDay && context_.today - *scanDay > context_.staleDays) {
    Row(kStale, link + "<td>" + Html(lastScan) + "</td><td class=\"num\">" + Days(context_.today - *scanDay) + "</td>");
  }
  const std::string serial = UnpinnedText(a[asset::kSerialNumber]);
  if (!Meaningless(serial)) {
    std::string maker = UnpinnedText(a[asset::kManufacturer]);
    if (maker.empty()) maker = UnpinnedText(a[asset::kBIOSManufacturer]);
    bySerial_[Folded(serial) + '\x1f' + Folded(maker)].push_back({name, page, lastScan});
  }

  changesTable_->Add(c);
  for (const StoredChange& e : ParseHistory(Text(a[asset::kHistory]))) {
    const std::optional<int> day = DayNumber(e.time);
    if (!day || context_.today - *day >= context_.changesDays || *day > context_.today) continue;
    ++changeCount_;
    const std::string kind = ChangeKindName(e);
    if (changes_.size() == kChangesShown && !(Change{e.time, "", "", "", ""} < changes_.front())) continue;
    changes_.push_back({e.time, name, page, kind, Html(e.text)});
    std::push_heap(changes_.begin(), changes_.end());
    if (changes_.size() > kChangesShown) {
      std::pop_heap(changes_.begin(), changes_.end());
      changes_.pop_back();
    }
  }
}

std::vector<ReportProblems::Count> ReportProblems::Counts() const {
  std::vector<Count> counts;
  for (int k = 0; k < kKinds; ++k) counts.push_back({kKindTexts[k].anchor, kKindTexts[k].title, counts_[k]});
  return counts;
}

void ReportProblems::Finish() {
  // LastAccess names without an Asset row: never reached, or reached and never read.
  for (const Access& a : access_) {
    if (a.inventoried) continue;
    const std::optional<int> day = DayNumber(a.time);
    const std::string cell = "<td>" + Html(a.name) + " <span class=\"muted\">(no inventory)</span></td>";
    if (!day || *day < lastAnswerDay_) {
      Row(kNotAnswering, cell + "<td>" + (a.time.empty() ? "never" : Html(a.time)) + "</td><td class=\"num\">" +
                             (day ? Days(context_.today - *day) : "") + "</td>");
    } else {
      Row(kNoAccess, cell + "<td>" + Html(a.time) + "</td><td>answered, never inventoried</td>");
    }
  }
  for (auto& [key, group] : bySerial_) {
    if (group.size() < 2) continue;
    // The newest scan first: it is the name the computer has now.
    std::stable_sort(group.begin(), group.end(), [](const Candidate& x, const Candidate& y) { return x.lastScan > y.lastScan; });
    const std::string what = Html(key.substr(0, key.find('\x1f'))) + ", " + Html(key.substr(key.find('\x1f') + 1));
    for (std::size_t i = 0; i < group.size(); ++i) {
      Row(kRenamed, "<td>" + Link(group[i].page, group[i].name) + (i ? " <span class=\"muted\">(older name?)</span>" : "") +
                        "</td><td>" + Html(group[i].lastScan) + "</td><td>" + what + "</td>");
    }
  }
  bySerial_.clear();
  WriteProblems();
  WriteChanges();
}

void ReportProblems::WriteProblems() {
  std::ofstream out(dir_ / "problems.html", std::ios::binary | std::ios::trunc);
  if (!out) throw RuntimeError(0, "cannot write " + (dir_ / "problems.html").string());
  WritePageStart(out, context_, "Problems", "");
  out << "<ul class=\"toc\">\n";
  for (int k = 0; k < kKinds; ++k) {
    out << "<li><a href=\"#" << kKindTexts[k].anchor << "\">" << kKindTexts[k].title << "</a> " << counts_[k] << "</li>\n";
  }
  out << "</ul>\n";
  for (int k = 0; k < kKinds; ++k) {
    parts_[k].close();
    const std::filesystem::path part = dir_ / (".problems." + std::to_string(k) + ".part");
    out << "<h2 id=\"" << kKindTexts[k].anchor << "\">" << kKindTexts[k].title << " (" << counts_[k] << ")</h2>\n<p class=\"muted\">";
    if (k == kStale) {
      out << "Last inventoried more than " << Days(context_.staleDays) << " ago.";
    } else {
      out << kKindTexts[k].explanation;
    }
    out << "</p>\n";
    if (counts_[k] > 0) {
      out << "<table class=\"list\" id=\"table-" << kKindTexts[k].anchor << "\">\n<thead><tr><th>Computer</th>"
          << kKindTexts[k].header << "</tr></thead>\n<tbody>\n";
      std::ifstream rows(part, std::ios::binary);
      out << rows.rdbuf();
      out << "</tbody></table>\n";
    }
    std::filesystem::remove(part);
  }
  WriteListScript(out);
  WritePageEnd(out);
}

void ReportProblems::WriteChanges() {
  changesTable_->Finish();
  changesTable_.reset();
  changesCsv_.close();
  if (!changesCsv_) throw RuntimeError(0, "cannot write " + (dir_ / "changes.csv").string());
  std::sort_heap(changes_.begin(), changes_.end());
  std::ofstream out(dir_ / "changes.html", std::ios::binary | std::ios::trunc);
  if (!out) throw RuntimeError(0, "cannot write " + (dir_ / "changes.html").string());
  WritePageStart(out, context_, "Changes", "");
  out << "<p>" << changeCount_ << (changeCount_ == 1 ? " change" : " changes") << " in the last "
      << Days(context_.changesDays) << ", newest first";
  if (changeCount_ > changes_.size()) out << "; the newest " << changes_.size() << " are shown";
  out << ". All of them: <a href=\"changes.csv\">changes.csv</a>.</p>\n";
  if (!changes_.empty()) {
    out << "<table class=\"list\" id=\"changes\">\n<thead><tr><th>Time</th><th>Computer</th>"
           "<th>Kind</th><th>Change</th></tr></thead>\n<tbody>\n";
    for (const Change& c : changes_) {
      out << "<tr><td>" << Html(c.time) << "</td><td>" << Link(c.page, c.computer) << "</td><td>" << c.kind
          << "</td><td>" << c.html << "</td></tr>\n";
    }
    out << "</tbody></table>\n";
    WriteListScript(out);
  }
  WritePageEnd(out);
}

}  // namespace korvane::console

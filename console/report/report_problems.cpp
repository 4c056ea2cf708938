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

std::string Days(int days) { return DaysText(days); }

std::string Link(const std::string& page, const std::string& name) {
  return "<a href=\"" + page + "\">" + Html(name) + "</a>";
}

}  // namespace

ReportProblems::ReportProblems(std::filesystem::path dir, ReportContext context)
    : dir_(std::move(dir)), context_(std::move(context)),
      finder_(context_.today, context_.staleDays, [this](const Problem& p) { Row(p); }) {
  for (int k = 0; k < kKinds; ++k) {
    parts_[k].open(dir_ / (".problems." + std::to_string(k) + ".part"), std::ios::binary | std::ios::trunc);
    if (!parts_[k]) throw RuntimeError(0, "cannot write scratch files in " + dir_.string());
  }
  problemsCsv_.open(dir_ / TableFileName(FleetTable::kProblems), std::ios::binary | std::ios::trunc);
  if (!problemsCsv_) throw RuntimeError(0, "cannot write " + (dir_ / TableFileName(FleetTable::kProblems)).string());
  problemsTable_ = std::make_unique<FleetTable>(FleetTable::kProblems, FleetTable::kCsv, problemsCsv_, false,
                                                context_.today, context_.today, context_.staleDays);
  changesCsv_.open(dir_ / TableFileName(FleetTable::kChanges), std::ios::binary | std::ios::trunc);
  if (!changesCsv_) throw RuntimeError(0, "cannot write " + (dir_ / TableFileName(FleetTable::kChanges)).string());
  changesTable_ = std::make_unique<FleetTable>(FleetTable::kChanges, FleetTable::kCsv, changesCsv_, false,
                                               context_.today - context_.changesDays + 1, context_.today);
}

void ReportProblems::Row(const Problem& p) {
  ++counts_[p.kind];
  problemsTable_->AddProblem(p);
  std::string cell = p.page.empty() ? Html(p.computer) + " <span class=\"muted\">(no inventory)</span>"
                                    : Link(p.page, p.computer);
  if (p.olderName) cell += " <span class=\"muted\">(older name?)</span>";
  parts_[p.kind] << "<tr><td>" << cell << "</td><td>" << Html(p.time) << "</td><td" << (p.days ? " class=\"num\"" : "")
                 << ">" << Html(p.detail) << "</td></tr>\n";
}

void ReportProblems::AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times) {
  finder_.AddLastAccess(times);
}

void ReportProblems::Add(const ComputerRows& c, const std::string& page) {
  finder_.Add(c, page);
  const std::string name = Text(c.asset[asset::kComputer]);
  changesTable_->Add(c);
  for (const StoredChange& e : c.History()) {
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
  finder_.Finish();
  problemsTable_->Finish();
  problemsTable_.reset();
  problemsCsv_.close();
  if (!problemsCsv_) throw RuntimeError(0, "cannot write " + (dir_ / TableFileName(FleetTable::kProblems)).string());
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
  out << "</ul>\n<p>All of them, as CSV: <a href=\"problems.csv\">problems.csv</a>.</p>\n";
  for (int k = 0; k < kKinds; ++k) {
    parts_[k].close();
    const std::filesystem::path part = dir_ / (".problems." + std::to_string(k) + ".part");
    out << "<h2 id=\"" << kKindTexts[k].anchor << "\">" << kKindTexts[k].title << " (" << counts_[k] << ")</h2>\n<p class=\"muted\">";
    if (k == Problem::kStale) {
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
  if (!changesCsv_) throw RuntimeError(0, "cannot write " + (dir_ / TableFileName(FleetTable::kChanges)).string());
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

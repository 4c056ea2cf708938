#include "console/scan/progress_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <map>
#include <sstream>
#include <vector>

#include "console/scan/scan_outcome.h"
#include "console/system/local_clock.h"
#include "console/text/escaping.h"

namespace korvane::console {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

std::string Fixed(double value, int digits) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(digits) << value;
  return out.str();
}

std::string Fit(std::string text, std::size_t width) {
  if (text.size() <= width) {
    text.resize(width, ' ');
    return text;
  }
  if (width == 0) return "";
  return text.substr(0, width - 1) + "~";
}

// Padded to `width`, never cut: a finished scan's name and outcome are shown whole.
std::string Widen(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// Fitted to the screen, without the blanks at the end (the line is cleared anyway).
std::string ScreenLine(const std::string& text, std::size_t columns) {
  std::string line = Fit(TerminalText(text), columns - 1);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

struct Running {
  std::string reportedName;
  double percent = 0;
  Clock::time_point startedAt;
  std::size_t order = 0;
};

// Counts shared by both views.
class Tally {
 public:
  explicit Tally(int total) : total_(total), start_(Clock::now()) {}
  // `outcome` as the summary shows it; counted by its kind ("gave up", not "gave up after 4%").
  void Finished(const std::string& outcome) {
    ++finished_;
    std::string kind = outcome.substr(0, outcome.find(" after "));
    kind = kind.substr(0, kind.find(" ("));
    auto it = std::find_if(byOutcome_.begin(), byOutcome_.end(), [&](const auto& p) { return p.first == kind; });
    if (it == byOutcome_.end()) {
      byOutcome_.emplace_back(kind, 1);
    } else {
      ++it->second;
    }
  }
  std::string Text(std::size_t running) const {
    const double elapsed = SecondsSince(start_);
    const double rate = elapsed > 0 ? finished_ / elapsed : 0;
    const int waiting = std::max(0, total_ - finished_ - static_cast<int>(running));
    // What matters most first, since a narrow screen cuts the end: progress, the time left
    // (from the pace so far; nothing to say before the first scan has ended), the outcomes.
    std::string text = std::to_string(finished_) + "/" + std::to_string(total_) + " done";
    if (finished_ > 0 && finished_ < total_) text += ", about " + Fixed((total_ - finished_) / rate, 0) + " s left";
    std::string outcomes;
    for (const auto& [kind, count] : byOutcome_) outcomes += (outcomes.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    if (!outcomes.empty()) text += " (" + outcomes + ")";
    text += ", " + std::to_string(running) + " running, " + std::to_string(waiting) + " waiting, " +
            Fixed(rate, 2) + " scans/s, " + Fixed(elapsed, 1) + " s";
    return text;
  }

 private:
  std::vector<std::pair<std::string, int>> byOutcome_;
  int total_;
  int finished_ = 0;
  Clock::time_point start_;
};

// Shows at most this many running scans; the rest are counted in one line.
constexpr std::size_t kMaxLiveLines = 24;
constexpr int kBarWidth = 20;

class LiveView : public ProgressView {
 public:
  LiveView(std::ostream& out, int columns, int total)
      : out_(out), columns_(static_cast<std::size_t>(std::max(columns, 40))), tally_(total) {}

  void Started(const std::string& computer) override {
    running_[computer] = Running{"", 0, Clock::now(), nextOrder_++};
    Draw(true);
  }

  void Percent(const std::string& computer, const std::string& reportedName,
               double percent) override {
    auto it = running_.find(computer);
    if (it == running_.end()) return;
    it->second.percent = percent;
    if (reportedName != computer) it->second.reportedName = reportedName;
    Draw(false);
  }

  void Finished(const std::string& computer, const std::string& outcome, double seconds) override {
    running_.erase(computer);
    tally_.Finished(outcome);
    finished_.push_back(Widen(computer, 24) + " " + Widen(outcome, 24) + " " + Fixed(seconds, 1) + " s");
    Draw(true);
  }

  void Tick() override { Draw(false); }

  void Close() override {
    Draw(true);
    Erase();
    out_.flush();
  }

 private:
  void Erase() {
    // Back to the first live line, then clear to the end of the screen.
    if (drawn_ > 0) out_ << "\x1b[" << drawn_ << "F";
    out_ << "\x1b[J";
    drawn_ = 0;
  }

  void Draw(bool now) {
    const auto t = Clock::now();
    if (!now && t - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = t;
    Erase();
    for (const auto& line : finished_) out_ << ScreenLine(line, columns_) << "\n";
    finished_.clear();

    std::vector<std::pair<std::string, const Running*>> shown;
    for (const auto& [computer, r] : running_) shown.emplace_back(computer, &r);
    std::sort(shown.begin(), shown.end(),
              [](const auto& a, const auto& b) { return a.second->order < b.second->order; });
    std::size_t lines = 0;
    for (const auto& [computer, r] : shown) {
      if (lines == kMaxLiveLines) break;
      std::string name = computer;
      if (!r->reportedName.empty()) name += " (" + r->reportedName + ")";
      const std::string line = Fit(name, 24) + " " + ProgressBar(r->percent, kBarWidth) + " " +
                               Fit(std::to_string(static_cast<int>(r->percent)) + "%", 4) + " " +
                               Fit(StageOfPercent(r->percent), 12) + " " +
                               Fixed(SecondsSince(r->startedAt), 0) + " s";
      out_ << ScreenLine(line, columns_) << "\n";
      ++lines;
    }
    if (shown.size() > lines) {
      out_ << "... and " << shown.size() - lines << " more running\n";
      ++lines;
    }
    out_ << ScreenLine(tally_.Text(running_.size()), columns_) << "\n";
    drawn_ = static_cast<int>(lines) + 1;
    out_.flush();
  }

  std::ostream& out_;
  std::size_t columns_;
  Tally tally_;
  std::map<std::string, Running> running_;
  std::vector<std::string> finished_;
  std::size_t nextOrder_ = 0;
  int drawn_ = 0;
  Clock::time_point lastDraw_{};
};

class PlainView : public ProgressView {
 public:
  PlainView(std::ostream& out, int total) : out_(out), tally_(total), lastTally_(Clock::now()) {}

  void Started(const std::string& computer) override {
    stages_[computer] = "";
    Line(computer + ": started");
  }

  void Percent(const std::string& computer, const std::string& reportedName,
               double percent) override {
    const std::string stage = StageOfPercent(percent);
    std::string& last = stages_[computer];
    if (stage == last) return;
    last = stage;
    std::string text = computer + ": " + stage + " (" + std::to_string(static_cast<int>(percent)) + "%)";
    if (reportedName != computer) text += " reported as " + reportedName;
    Line(text);
  }

  void Finished(const std::string& computer, const std::string& outcome, double seconds) override {
    stages_.erase(computer);
    tally_.Finished(outcome);
    Line(computer + ": " + outcome + " (" + Fixed(seconds, 1) + " s)");
  }

  void Tick() override {
    if (Clock::now() - lastTally_ < std::chrono::seconds(10)) return;
    lastTally_ = Clock::now();
    Line(tally_.Text(stages_.size()));
  }

  void Close() override { out_.flush(); }

 private:
  void Line(const std::string& text) {
    out_ << "[" << ClockText() << "] " << TerminalText(text) << "\n" << std::flush;
  }

  std::ostream& out_;
  Tally tally_;
  Clock::time_point lastTally_;
  std::map<std::string, std::string> stages_;
};

}  // namespace

std::string ProgressBar(double percent, int width) {
  const double clamped = std::clamp(percent, 0.0, 100.0);
  const int filled = static_cast<int>(std::floor(clamped * width / 100.0));
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

std::string ClockText() {
  const LocalTime now = LocalClock().Now();
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return text;
}

std::unique_ptr<ProgressView> MakeLiveView(std::ostream& out, int columns, int total) {
  return std::make_unique<LiveView>(out, columns, total);
}

std::unique_ptr<ProgressView> MakePlainView(std::ostream& out, int total) {
  return std::make_unique<PlainView>(out, total);
}

}  // namespace korvane::console

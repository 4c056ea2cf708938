#include "console/scan_command.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>

#include "console/log_watch.h"
#include "console/progress_view.h"
#include "console/scan_batch.h"
#include "console/scan_process.h"
#include "console/server_capacity.h"
#include "console/targets.h"

namespace korvane::console {

namespace {

namespace fs = std::filesystem;

std::string NeedValue(const std::vector<std::string>& args, std::size_t& i) {
  if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
  return args[++i];
}

std::string Fixed(double value, int digits) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(digits) << value;
  return out.str();
}

std::string Pad(std::string text, std::size_t width) {
  if (text.size() > width) return text.substr(0, width > 0 ? width - 1 : 0) + "~";
  text.resize(width, ' ');
  return text;
}

// The scanners' Temp: the console's own (the name matched as Windows matches it), or
// /tmp when it has none.
std::string ScannerTemp() {
  for (const char* name : {"Temp", "TEMP", "temp", "TMP", "TMPDIR"}) {
    if (auto value = EnvironmentValue(name); value && !value->empty()) return *value;
  }
  return fs::temp_directory_path().string();
}

// An existing directory (an SQLite inventory) is handed on as an absolute path, so the
// scanners find it whatever their working directory.
std::string SourceForScanners(const std::string& source) {
  std::error_code error;
  if (fs::is_directory(source, error)) return fs::absolute(source, error).lexically_normal().string();
  return source;
}

// Ties the batch to the view: classifies each scan as it ends, with the log lines
// appended so far (a scanner writes its log line before its last progress line).
class ScanWatcher : public BatchObserver {
 public:
  ScanWatcher(ProgressView& view, LogWatch& log) : view_(view), log_(log) {}

  void ScanStarted(const ScanRecord& r) override { view_.Started(r.computer); }

  void ScanLine(const ScanRecord& r, const std::string& line) override {
    const ProgressItem item = ParseProgressLine(line);
    if (item.percent) view_.Percent(r.computer, item.computer, *item.percent);
  }

  void ScanEnded(const ScanRecord& r) override {
    SummaryRow row;
    row.computer = r.computer;
    if (!r.startError.empty()) {
      row.outcome.kind = OutcomeKind::Died;
      row.outcome.detail = "could not start: " + r.startError;
    } else {
      ScanFacts facts;
      facts.computer = r.computer;
      facts.lines = r.lines;
      facts.timedOut = r.timedOut;
      facts.exitCode = r.exitCode;
      facts.signal = r.signal;
      facts.logLines = log_.Lines();
      row.outcome = ClassifyScan(facts);
      if (row.outcome.kind == OutcomeKind::Died && !r.output.empty()) {
        std::string first = r.output.substr(0, r.output.find('\n'));
        row.outcome.detail += ": " + first;
      }
    }
    row.seconds = std::chrono::duration<double>(r.endedAt - r.startedAt).count();
    view_.Finished(r.computer, OutcomeText(row.outcome), row.seconds);
    rows_[r.computer] = row;
  }

  void Tick(SteadyTime) override { view_.Tick(); }

  const std::map<std::string, SummaryRow>& rows() const { return rows_; }

 private:
  ProgressView& view_;
  LogWatch& log_;
  std::map<std::string, SummaryRow> rows_;
};

}  // namespace

int DefaultJobs() { return static_cast<int>(std::min(64u, 4 * ProcessorCount())); }

ScanCommandOptions ParseScanOptions(const std::vector<std::string>& args) {
  ScanCommandOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--db") {
      o.source = NeedValue(args, i);
    } else if (a == "--jobs" || a == "-j") {
      const std::string v = NeedValue(args, i);
      try {
        o.jobs = std::stoi(v);
      } catch (const std::exception&) {
        throw UsageError("--jobs needs a number, not " + v);
      }
      if (o.jobs < 1) throw UsageError("--jobs must be at least 1");
    } else if (a == "--user-only") {
      o.userOnly = true;
    } else if (a == "--timeout") {
      const std::string v = NeedValue(args, i);
      try {
        o.timeoutSeconds = std::stod(v);
      } catch (const std::exception&) {
        throw UsageError("--timeout needs a number of seconds, not " + v);
      }
      if (!(o.timeoutSeconds >= 0)) throw UsageError("--timeout cannot be negative");
    } else if (a == "--lab") {
      o.lab = NeedValue(args, i);
    } else if (a == "--scanner") {
      o.scanner = NeedValue(args, i);
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError("unknown option " + a);
    } else {
      o.targets.push_back(a);
    }
  }
  if (o.source.empty()) throw UsageError("scan needs --db SOURCE");
  if (o.source.find(',') != std::string::npos) {
    throw UsageError("the database source cannot hold a comma (it is a field of the scanner's command line)");
  }
  return o;
}

void WriteSummary(std::ostream& out, const std::vector<SummaryRow>& rows, double elapsed,
                  int jobs, const std::string& logPath, std::size_t newLogLines, int columns) {
  const std::size_t width = static_cast<std::size_t>(std::max(columns, 60)) - 1;
  const std::size_t nameWidth = 20;
  const std::size_t outcomeWidth = 20;
  const std::size_t timeWidth = 7;
  const std::size_t detailWidth = width > nameWidth + outcomeWidth + timeWidth + 3
                                      ? width - (nameWidth + outcomeWidth + timeWidth + 3)
                                      : 0;
  out << "\n" << Pad("Computer", nameWidth) << " " << Pad("Outcome", outcomeWidth) << " "
      << Pad("Time", timeWidth) << " Notes\n";
  out << std::string(width, '-') << "\n";
  std::map<OutcomeKind, int> counts;
  for (const auto& row : rows) {
    ++counts[row.outcome.kind];
    std::string notes;
    if (!row.outcome.reportedName.empty()) notes = "reported as " + row.outcome.reportedName;
    if (!row.outcome.detail.empty()) notes += (notes.empty() ? "" : "; ") + row.outcome.detail;
    std::string line = Pad(row.computer, nameWidth) + " " + Pad(OutcomeText(row.outcome), outcomeWidth) +
                       " " + Pad(Fixed(row.seconds, 1) + " s", timeWidth) + " " +
                       (notes.size() > detailWidth ? Pad(notes, detailWidth) : notes);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
  out << std::string(width, '-') << "\n";
  static const std::pair<OutcomeKind, const char*> kOrder[] = {
      {OutcomeKind::Complete, "complete"},   {OutcomeKind::NotAnswering, "not answering"},
      {OutcomeKind::NoAccess, "no access"},  {OutcomeKind::GaveUp, "gave up"},
      {OutcomeKind::TimedOut, "timed out"},  {OutcomeKind::Died, "died"}};
  out << rows.size() << (rows.size() == 1 ? " scan:" : " scans:");
  bool first = true;
  for (const auto& [kind, label] : kOrder) {
    if (counts[kind] == 0) continue;
    out << (first ? " " : ", ") << counts[kind] << " " << label;
    first = false;
  }
  out << "\n";
  const double rate = elapsed > 0 ? static_cast<double>(rows.size()) / elapsed : 0;
  out << "Elapsed " << Fixed(elapsed, 1) << " s, " << Fixed(rate, 2) << " scans/s with up to "
      << jobs << " at once\n";
  out << "Error log: " << logPath << " (" << newLogLines << " new "
      << (newLogLines == 1 ? "line" : "lines") << ")\n";
}

int RunScanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ScanCommandOptions options = ParseScanOptions(args);
  const std::vector<std::string> computers = ExpandTargets(options.targets, options.lab);
  if (computers.empty()) throw UsageError("the target list names no computer");

  BatchSettings settings;
  settings.program = options.scanner.empty()
                         ? (fs::path(OwnProgramDirectory()) / ScannerProgramName()).string()
                         : options.scanner;
  std::error_code error;
  if (!fs::exists(settings.program, error)) {
    err << "korvane-console: no scanner at " << settings.program << "\n";
    return 1;
  }
  settings.source = SourceForScanners(options.source);
  settings.userOnly = options.userOnly;
  settings.jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
  settings.timeout = std::chrono::milliseconds(static_cast<long long>(std::llround(options.timeoutSeconds * 1000)));
  const std::string temp = ScannerTemp();
  settings.environment.emplace_back("Temp", temp);
  if (!options.lab.empty()) {
    settings.environment.emplace_back("KORVANE_LAB", fs::absolute(options.lab, error).lexically_normal().string());
  }
  const std::string logPath = (fs::path(temp) / "DrevantaAssetDB.log").string();
  LogWatch log(logPath);

  // Each scanner holds one connection to the server for its whole scan.
  const int parallel = std::min(settings.jobs, static_cast<int>(computers.size()));
  if (auto server = AskServerConnections(settings.source)) {
    if (auto warning = CapacityWarning(*server, parallel)) err << "korvane-console: " << *warning << "\n";
  }

  const bool terminal = StandardOutputIsTerminal();
  const int columns = terminal ? TerminalColumns() : 80;
  std::unique_ptr<ProgressView> view = terminal ? MakeLiveView(out, columns, static_cast<int>(computers.size()))
                                                : MakePlainView(out, static_cast<int>(computers.size()));
  ScanWatcher watcher(*view, log);
  std::unique_ptr<ScanProcesses> processes = MakeScanProcesses();
  const auto started = std::chrono::steady_clock::now();
  const std::vector<ScanRecord> records = RunBatch(*processes, settings, computers, watcher);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  view->Close();

  std::vector<SummaryRow> rows;
  bool allComplete = true;
  for (const auto& r : records) {
    const SummaryRow& row = watcher.rows().at(r.computer);
    rows.push_back(row);
    if (row.outcome.kind == OutcomeKind::TimedOut || row.outcome.kind == OutcomeKind::Died) allComplete = false;
  }
  WriteSummary(out, rows, elapsed, settings.jobs, logPath, log.Lines().size(), columns);
  return allComplete ? 0 : 1;
}

}  // namespace korvane::console

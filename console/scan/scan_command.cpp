#include "console/scan/scan_command.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <map>
#include <random>
#include <stdexcept>
#include <sstream>

#include "scan/scan_context.h"
#include "console/scan/scan_log.h"
#include "console/scan/progress_view.h"
#include "scan/progress.h"
#include "console/scan/scan_batch.h"
#include "console/system/environment.h"
#include "console/system/interrupts.h"
#include "console/system/scan_processes.h"
#include "console/system/this_computer.h"
#include "console/scan/server_capacity.h"
#include "console/scan/targets.h"

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
    if (auto value = ProcessEnvironment().Value(name); value && !value->empty()) return *value;
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

// A directory of this run's own below the console's Temp, for the scans' own Temp
// directories.
std::string MakeRunDirectory(const std::string& temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "korvane-console-" << std::hex << random() << random();
    const fs::path dir = fs::path(temp) / name.str();
    std::error_code error;
    if (fs::create_directory(dir, error)) return dir.string();
  }
  throw std::runtime_error("cannot make a directory for the scans' logs in " + temp);
}

// Ties the batch to the view: classifies each scan as it ends, from its progress lines
// and its own error log, and then moves that log's records to the shared log.
class ScanWatcher : public BatchObserver {
 public:
  ScanWatcher(ProgressView& view, const BatchSettings& settings, std::string sharedLog)
      : view_(view), settings_(settings), sharedLog_(std::move(sharedLog)) {}

  void ScanStarted(const ScanRecord& r) override { view_.Started(r.computer); }

  void ScanLine(const ScanRecord& r, const std::string& line) override {
    const progress::Line item = progress::ParseLine(line);
    if (item.percent) view_.Percent(r.computer, item.computer, *item.percent);
  }

  void ScanEnded(const ScanRecord& r) override {
    SummaryRow row;
    row.computer = r.computer;
    if (!r.startError.empty()) {
      row.outcome.kind = OutcomeKind::Died;
      row.outcome.detail = "could not start: " + r.startError;
    } else {
      ScanIdentity identity;
      identity.computer = r.computer;
      identity.reportedName = TrustedReportedName(r.lines);
      identity.commandLineTail = "," + r.computer + "," + settings_.source + ",";
      identity.connectionString = MakeConnectionString(settings_.source);
      const std::vector<std::string> records =
          r.temp.empty() ? std::vector<std::string>{}
                         : ScanLogRecords(ReadWholeFile((fs::path(r.temp) / kErrorLogName).string()), identity);
      ScanFacts facts;
      facts.computer = r.computer;
      facts.lines = r.lines;
      facts.timedOut = r.timedOut;
      facts.interrupted = r.interrupted;
      facts.exitCode = r.exitCode;
      facts.signal = r.signal;
      facts.logLines = records;
      row.outcome = ClassifyScan(facts);
      if (row.outcome.kind == OutcomeKind::Died && !r.output.empty()) {
        std::string first = r.output.substr(0, r.output.find('\n'));
        row.outcome.detail += ": " + first;
      }
      if (AppendToSharedLog(sharedLog_, records)) newLogLines_ += records.size();
      std::error_code error;
      if (!r.temp.empty()) fs::remove_all(r.temp, error);
    }
    row.seconds = std::chrono::duration<double>(r.endedAt - r.startedAt).count();
    view_.Finished(r.computer, OutcomeText(row.outcome), row.seconds);
    rows_[r.computer] = row;
  }

  void Tick(SteadyTime) override { view_.Tick(); }

  const std::map<std::string, SummaryRow>& rows() const { return rows_; }
  std::size_t newLogLines() const { return newLogLines_; }

 private:
  ProgressView& view_;
  const BatchSettings& settings_;
  std::string sharedLog_;
  std::map<std::string, SummaryRow> rows_;
  std::size_t newLogLines_ = 0;
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
      {OutcomeKind::TimedOut, "timed out"},  {OutcomeKind::Died, "died"},
      {OutcomeKind::Interrupted, "interrupted"}};
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
  std::vector<std::string> duplicates;
  const std::vector<std::string> computers = ExpandTargets(options.targets, options.lab, &duplicates);
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
  if (!options.lab.empty()) {
    settings.environment.emplace_back("KORVANE_LAB", fs::absolute(options.lab, error).lexically_normal().string());
  }
  const std::string logPath = (fs::path(temp) / kErrorLogName).string();
  settings.privateTempRoot = MakeRunDirectory(temp);
  WatchInterrupts();
  settings.stopRequested = [] { return InterruptStatus() != 0; };
  settings.stopped = [] { ScansStopped(); };

  // Each scanner holds one connection to the server for its whole scan.
  const int parallel = std::min(settings.jobs, static_cast<int>(computers.size()));
  if (auto server = AskServerConnections(settings.source)) {
    if (auto warning = CapacityWarning(*server, parallel)) err << "korvane-console: " << *warning << "\n";
  }

  const bool terminal = StandardOutputIsTerminal();
  const int columns = terminal ? TerminalColumns() : 80;
  std::unique_ptr<ProgressView> view = terminal ? MakeLiveView(out, columns, static_cast<int>(computers.size()))
                                                : MakePlainView(out, static_cast<int>(computers.size()));
  ScanWatcher watcher(*view, settings, logPath);
  std::unique_ptr<ScanProcesses> processes = MakeScanProcesses();
  const auto started = std::chrono::steady_clock::now();
  const std::vector<ScanRecord> records = RunBatch(*processes, settings, computers, watcher);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  view->Close();
  fs::remove_all(settings.privateTempRoot, error);

  std::vector<SummaryRow> rows;
  bool allComplete = true;
  std::size_t notStarted = 0;
  for (const auto& r : records) {
    if (!r.started) {
      ++notStarted;
      continue;
    }
    const SummaryRow& row = watcher.rows().at(r.computer);
    rows.push_back(row);
    if (row.outcome.kind == OutcomeKind::TimedOut || row.outcome.kind == OutcomeKind::Died) allComplete = false;
  }
  WriteSummary(out, rows, elapsed, settings.jobs, logPath, watcher.newLogLines(), columns);
  if (!duplicates.empty()) {
    out << "Skipped " << duplicates.size() << " duplicate " << (duplicates.size() == 1 ? "target" : "targets")
        << " (the same computer as an earlier target, letter case ignored):";
    for (const auto& name : duplicates) out << " " << name;
    out << "\n";
  }
  const int interrupt = InterruptStatus();
  if (interrupt != 0) {
    out << "Interrupted: " << std::count_if(records.begin(), records.end(), [](const ScanRecord& r) { return r.interrupted; })
        << " running scans stopped, " << notStarted << " not started\n";
  }
  out.flush();
  InterruptHandled();
  if (interrupt != 0) return interrupt;
  return allComplete ? 0 : 1;
}

}  // namespace korvane::console

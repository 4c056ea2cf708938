#include "console/scan/scan_command.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
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
#include "console/system/run_folder.h"
#include "console/system/scan_processes.h"
#include "console/system/this_computer.h"
#include "console/scan/server_capacity.h"
#include "console/scan/targets.h"
#include "console/text/escaping.h"
#include "inventory/query_texts.h"
#include "platform/connection_string.h"
#include "platform/db/database_server.h"
#include "platform/runtime_error.h"

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
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// The text in lines of at most `width` characters, broken at blanks where it can be and
// inside a word only when the word alone is wider: nothing is left out.
std::vector<std::string> WrapWords(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  width = std::max<std::size_t>(width, 10);
  std::size_t start = 0;
  while (start < text.size()) {
    if (text.size() - start <= width) {
      lines.push_back(text.substr(start));
      break;
    }
    std::size_t cut = text.rfind(' ', start + width);
    if (cut == std::string::npos || cut <= start) cut = start + width;
    lines.push_back(text.substr(start, cut - start));
    start = cut;
    while (start < text.size() && text[start] == ' ') ++start;
  }
  return lines;
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

// Opens the inventory as every scanner will (the same connection string, the same first
// query), so that a mistyped source stops the run before any scan instead of making each
// one give up. Empty when it opens; otherwise why not.
std::string InventoryProblem(const std::string& source) {
  try {
    std::unique_ptr<Connection> connection = MakeDatabaseServer()->Open(MakeConnectionString(source));
    std::unique_ptr<Recordset> rs = connection->OpenRecordset(LastAccessQuery(""));
    if (rs->RecordCount() < 0) {
      const std::string why = connection->LastErrorDescription();
      return why.empty() ? "its LastAccess table cannot be read" : why;
    }
    rs->Close();
    return "";
  } catch (const RuntimeError& e) {
    return e.description();
  } catch (const std::exception& e) {
    return e.what();
  }
}

// A scan that gave up because its inventory refused a change: the run has failed even
// though the scanner itself ended well.
bool DatabaseFailure(const Outcome& outcome) { return outcome.databaseFailed; }

constexpr const char* kRunFolderPrefix = "korvane-console-";
// Which scan ran in which numbered folder of a run, one "number TAB computer TAB source"
// line each, so that a later console can attribute the lines of a run whose console died.
constexpr const char* kRunIndexName = "scans";
// Less free room than this in the run folder and the scanners' logs may be cut short.
constexpr std::uintmax_t kRunRoomBytes = 1024 * 1024;

// A directory of this run's own below the console's Temp, for the scans' own Temp
// directories.
std::string MakeRunDirectory(const std::string& temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << kRunFolderPrefix << std::hex << random() << random();
    const fs::path dir = fs::path(temp) / name.str();
    std::error_code error;
    if (fs::create_directory(dir, error)) return dir.string();
  }
  throw std::runtime_error("cannot make a directory for the scans' logs in " + temp);
}

ScanIdentity IdentityOf(const std::string& computer, const std::string& source,
                        const std::vector<std::string>& progressLines) {
  ScanIdentity identity;
  identity.computer = computer;
  identity.reportedName = TrustedReportedName(progressLines);
  identity.commandLineTail = "," + computer + "," + source + ",";
  identity.connectionString = MakeConnectionString(source);
  return identity;
}

struct Takeover {
  std::size_t folders = 0;
  std::size_t scans = 0;
  std::size_t lines = 0;
};

// Moves the log lines of runs whose console ended without collecting them (killed, the
// machine stopped) into the shared log, and removes their folders.
Takeover TakeOverAbandonedRuns(const std::string& temp, const std::string& sharedLog, std::ostream& err) {
  Takeover done;
  std::error_code error;
  for (fs::directory_iterator it(temp, error), end; !error && it != end; it.increment(error)) {
    const fs::path folder = it->path();
    std::error_code ignored;
    if (folder.filename().string().rfind(kRunFolderPrefix, 0) != 0 || it->is_symlink(ignored) ||
        !it->is_directory(ignored)) {
      continue;
    }
    std::unique_ptr<RunFolderClaim> claim = TakeOverRunFolder(folder.string());
    // A console writes its index only once it holds its claim: a folder without one is
    // being set up by a console that is starting (it may have made the lock file but not
    // yet locked it), never one left behind.
    if (!claim || !fs::is_regular_file(fs::symlink_status(folder / kRunIndexName, ignored))) continue;
    std::istringstream index(ReadWholeFile((folder / kRunIndexName).string()));
    std::vector<std::string> records;
    for (std::string line; std::getline(index, line);) {
      const std::size_t tab1 = line.find('\t');
      const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      const std::string number = line.substr(0, tab1);
      if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
      const ScanLogFile log = ReadScanLog((folder / number).string());
      const auto mine = ScanLogRecords(log.text, IdentityOf(line.substr(tab1 + 1, tab2 - tab1 - 1),
                                                           line.substr(tab2 + 1), {}));
      records.insert(records.end(), mine.begin(), mine.end());
      ++done.scans;
    }
    if (!AppendToSharedLog(sharedLog, records)) {
      err << "korvane-console: cannot append to the shared log " << sharedLog << "; the lines left in "
          << folder.string() << " stay there\n";
      continue;
    }
    done.lines += records.size();
    ++done.folders;
    // Everything but the claim goes while it is held, so no other console takes the same
    // lines over; then the rest.
    std::vector<fs::path> parts;
    for (const auto& part : fs::directory_iterator(folder, ignored)) {
      if (part.path().filename() != "console.lock") parts.push_back(part.path());
    }
    for (const auto& part : parts) fs::remove_all(part, ignored);
    claim.reset();
    fs::remove_all(folder, ignored);
  }
  return done;
}

// Ties the batch to the view: classifies each scan as it ends, from its progress lines
// and its own error log, and then moves that log's records to the shared log.
class ScanWatcher : public BatchObserver {
 public:
  ScanWatcher(ProgressView& view, const BatchSettings& settings, std::string sharedLog, std::ostream& err)
      : view_(view), settings_(settings), sharedLog_(std::move(sharedLog)), err_(err) {}

  void ScanStarted(const ScanRecord& r) override {
    if (!r.temp.empty()) {
      std::ofstream index(fs::path(settings_.privateTempRoot) / kRunIndexName, std::ios::app);
      index << fs::path(r.temp).filename().string() << "\t" << r.computer << "\t" << settings_.source << "\n";
    }
    view_.Started(r.computer);
  }

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
      const ScanLogFile log = r.temp.empty() ? ScanLogFile{} : ReadScanLog(r.temp);
      const std::vector<std::string> records =
          ScanLogRecords(log.text, IdentityOf(r.computer, settings_.source, r.lines));
      ScanFacts facts;
      facts.logProblem = log.problem;
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
      if (AppendToSharedLog(sharedLog_, records)) {
        newLogLines_ += records.size();
      } else {
        ++lostLogScans_;
        err_ << "korvane-console: cannot append to the shared log " << sharedLog_ << ": "
             << records.size() << " log " << (records.size() == 1 ? "line" : "lines") << " of " << r.computer
             << " lost\n";
      }
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
  std::size_t lostLogScans() const { return lostLogScans_; }

 private:
  ProgressView& view_;
  const BatchSettings& settings_;
  std::string sharedLog_;
  std::ostream& err_;
  std::size_t lostLogScans_ = 0;
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
    } else if (a == "--list") {
      o.list = true;
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
                  int jobs, const std::string& logPath, std::size_t newLogLines, int columns, bool list) {
  // Columns widen to their longest text: an operator needs every name and outcome whole,
  // and the notes (often the reason for a failure) wrap instead of being cut.
  std::size_t nameWidth = 20;
  std::size_t outcomeWidth = 20;
  for (const auto& row : rows) {
    nameWidth = std::max(nameWidth, row.computer.size());
    outcomeWidth = std::max(outcomeWidth, OutcomeText(row.outcome).size());
  }
  const std::size_t timeWidth = 7;
  const std::size_t width = std::max(static_cast<std::size_t>(std::max(columns, 60)) - 1,
                                     nameWidth + outcomeWidth + timeWidth + 9);
  const auto writeRow = [&](const SummaryRow& row, const std::string& indent) {
    std::string notes;
    if (!row.outcome.reportedName.empty()) notes = "reported as " + row.outcome.reportedName;
    if (!row.outcome.detail.empty() && row.outcome.kind != OutcomeKind::Unknown) {
      notes += (notes.empty() ? "" : "; ") + row.outcome.detail;
    }
    const std::size_t notesAt = indent.size() + nameWidth + outcomeWidth + timeWidth + 3;
    const std::vector<std::string> notesLines = WrapWords(notes, width > notesAt ? width - notesAt : 0);
    std::string line = indent + Pad(row.computer, nameWidth) + " " + Pad(OutcomeText(row.outcome), outcomeWidth) +
                       " " + Pad(Fixed(row.seconds, 1) + " s", timeWidth) + " " +
                       (notesLines.empty() ? "" : notesLines[0]);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    // Names, reasons and reported names come from the computers: inert on the terminal.
    out << TerminalText(line) << "\n";
    for (std::size_t i = 1; i < notesLines.size(); ++i) {
      out << std::string(notesAt, ' ') << TerminalText(notesLines[i]) << "\n";
    }
  };
  out << "\n";
  if (list) {
    out << Pad("Computer", nameWidth) << " " << Pad("Outcome", outcomeWidth) << " " << Pad("Time", timeWidth)
        << " Notes\n";
    out << std::string(width, '-') << "\n";
    for (const auto& row : rows) writeRow(row, "");
    out << std::string(width, '-') << "\n";
  }
  // The failures last, where the operator's eye lands when the run ends: one section per
  // kind, each naming its computers.
  static const std::pair<OutcomeKind, const char*> kFailures[] = {
      {OutcomeKind::NotAnswering, "Not answering"}, {OutcomeKind::NoAccess, "No access"},
      {OutcomeKind::GaveUp, "Gave up"},             {OutcomeKind::TimedOut, "Timed out"},
      {OutcomeKind::Died, "Died"},                  {OutcomeKind::Unknown, "Unknown"},
      {OutcomeKind::Interrupted, "Interrupted"}};
  for (const auto& [kind, title] : kFailures) {
    std::vector<const SummaryRow*> these;
    for (const auto& row : rows) {
      if (row.outcome.kind == kind) these.push_back(&row);
    }
    if (these.empty()) continue;
    out << title << " (" << these.size() << "):\n";
    for (const SummaryRow* row : these) writeRow(*row, "");
  }
  std::map<OutcomeKind, int> counts;
  for (const auto& row : rows) ++counts[row.outcome.kind];
  static const std::pair<OutcomeKind, const char*> kOrder[] = {
      {OutcomeKind::Complete, "complete"},   {OutcomeKind::NotAnswering, "not answering"},
      {OutcomeKind::NoAccess, "no access"},  {OutcomeKind::GaveUp, "gave up"},
      {OutcomeKind::TimedOut, "timed out"},  {OutcomeKind::Died, "died"},
      {OutcomeKind::Interrupted, "interrupted"}, {OutcomeKind::Unknown, "unknown"}};
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
  if (const std::string problem = InventoryProblem(settings.source); !problem.empty()) {
    const std::string tried =
        fs::is_directory(settings.source, error)
            ? "tried the SQLite file " + (fs::path(settings.source) / kSqliteFileName).string()
            : "it is no directory, so it was tried as an ODBC data source, then as a SQL Server host";
    err << "korvane-console scan: cannot open the inventory '" << options.source << "' (" << tried
        << "): " << problem << "\n"
        << "No scan was started. Create an inventory with: korvane-console init-db "
        << options.source << "\n";
    return 2;
  }
  settings.userOnly = options.userOnly;
  settings.jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
  settings.timeout = std::chrono::milliseconds(static_cast<long long>(std::llround(options.timeoutSeconds * 1000)));
  const std::string temp = ScannerTemp();
  if (!options.lab.empty()) {
    settings.environment.emplace_back("KORVANE_LAB", fs::absolute(options.lab, error).lexically_normal().string());
  }
  const std::string logPath = (fs::path(temp) / kErrorLogName).string();
  const Takeover takeover = TakeOverAbandonedRuns(temp, logPath, err);
  std::unique_ptr<RunFolderClaim> claim;
  try {
    settings.privateTempRoot = MakeRunDirectory(temp);
    claim = ClaimRunFolder(settings.privateTempRoot);
  } catch (const std::exception& e) {
    err << "korvane-console scan: " << e.what() << "\nNo scan was started. Make " << temp
        << " writable or set Temp to a folder that is.\n";
    return 2;
  }
  {
    const fs::space_info room = fs::space(settings.privateTempRoot, error);
    std::ofstream index(fs::path(settings.privateTempRoot) / kRunIndexName);
    if (!index || error || room.available < kRunRoomBytes) {
      err << "korvane-console scan: the scanners' logs cannot be kept in " << settings.privateTempRoot << " ("
          << (!index ? "not writable" : error ? error.message() : std::to_string(room.available) + " bytes free")
          << ")\nNo scan was started. Free at least " << kRunRoomBytes / 1024 << " KiB there or set Temp to "
          << "another folder.\n";
      claim.reset();
      fs::remove_all(settings.privateTempRoot, error);
      return 2;
    }
  }
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
  ScanWatcher watcher(*view, settings, logPath, err);
  std::unique_ptr<ScanProcesses> processes = MakeScanProcesses();
  const auto started = std::chrono::steady_clock::now();
  const std::vector<ScanRecord> records = RunBatch(*processes, settings, computers, watcher);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  view->Close();
  claim.reset();
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
    if (row.outcome.kind == OutcomeKind::TimedOut || row.outcome.kind == OutcomeKind::Died ||
        row.outcome.kind == OutcomeKind::Unknown || DatabaseFailure(row.outcome)) {
      allComplete = false;
    }
  }
  WriteSummary(out, rows, elapsed, settings.jobs, logPath, watcher.newLogLines(), columns, options.list);
  if (takeover.folders > 0) {
    out << "Took over " << takeover.folders << " run " << (takeover.folders == 1 ? "folder" : "folders")
        << " left by a console that ended without finishing: " << takeover.lines << " log "
        << (takeover.lines == 1 ? "line" : "lines") << " of " << takeover.scans << " "
        << (takeover.scans == 1 ? "scan" : "scans") << " moved to the error log\n";
  }
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
  return allComplete && watcher.lostLogScans() == 0 ? 0 : 1;
}

}  // namespace korvane::console

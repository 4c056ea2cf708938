// `korvane-console report --db SOURCE --out DIR [--title TEXT]`: reads the inventory in
// batches of computers, one query per table and batch, writes each computer's page at
// once and keeps only what the overview and the census need.
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <ostream>

#include "scan/scan_context.h"
#include "scan/time_text.h"
#include "console/commands.h"
#include "console/report/gzip_file.h"
#include "console/report/report_command.h"
#include "console/report/report_overview.h"
#include "console/show/show_export.h"
#include "console/system/local_clock.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

namespace fs = std::filesystem;

// Left in every folder the report writes: the sign that it may replace what is there.
constexpr const char* kReportMarker = ".korvane-report";

// What --out names: a folder this command made before (its marker inside), or nothing
// yet. Anything else (a file, a link, a folder of someone else's pages) is refused, so a
// report never writes through a link another user planted nor over files it did not make.
void CheckOutputFolder(const fs::path& root, const std::string& given) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(root, error);
  if (!fs::exists(status)) return;
  if (fs::is_symlink(status)) {
    throw UsageError("--out " + given + " is a symbolic link; the report is written only into a real folder: "
                     "give the name of a new folder or of an earlier report's folder");
  }
  if (!fs::is_directory(status)) {
    throw UsageError("--out " + given + " is a file, not a folder; give the name of a new folder (it is "
                     "created) or of an earlier report's folder");
  }
  if (!fs::is_regular_file(fs::symlink_status(root / kReportMarker, error))) {
    throw UsageError("--out " + given + " is a folder this command did not write (it has no " +
                     std::string(kReportMarker) + " file); give the name of a new folder, or of an earlier "
                     "report's folder, so that no file of someone else's is replaced");
  }
}

// A new folder beside `root`, made here and so holding nothing this command did not make.
fs::path FreshFolderBeside(const fs::path& root, const std::string& purpose) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = root.parent_path() / ("." + root.filename().string() + "." + purpose + "-" +
                                                     std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) return candidate;
    if (error && error != std::errc::file_exists) {
      throw RuntimeError(0, "cannot make a folder in " + root.parent_path().string() + ": " + error.message());
    }
  }
  throw RuntimeError(0, "cannot make a folder in " + root.parent_path().string());
}

void WritePages(const fs::path& root, Connection& connectionRef, BesideSessions* beside, Clock& clock, const std::string& title,
                int staleDays, int changesDays, std::size_t& number);

}  // namespace

std::string TableFileName(FleetTable::Kind kind) {
  return std::string(FleetTable::Name(kind)) + (kind == FleetTable::kSoftware ? ".csv.gz" : ".csv");
}

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  return RunReport(args, out, LocalClock());
}

int RunReport(const std::vector<std::string>& args, std::ostream& out, Clock& clock) {
  std::string source, dir, title = "Inventory", staleDays = "30", changesDays = "7";
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* target = args[i] == "--db"             ? &source
                          : args[i] == "--out"          ? &dir
                          : args[i] == "--title"        ? &title
                          : args[i] == "--stale-days"   ? &staleDays
                          : args[i] == "--changes-days" ? &changesDays
                                                        : nullptr;
    if (target == nullptr) throw UsageError("unknown argument " + args[i]);
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    *target = args[++i];
  }
  if (source.empty() || dir.empty()) throw UsageError("report needs --db SOURCE and --out DIR");

  ReadingInventory inventory = OpenInventoryForReading(source);
  Connection* connection = inventory.connection.get();
  fs::path root = fs::absolute(dir).lexically_normal();
  if (!root.has_filename()) root = root.parent_path();
  CheckOutputFolder(root, dir);
  {
    std::error_code error;
    fs::create_directories(root.parent_path(), error);
    if (error) throw RuntimeError(0, "cannot make " + root.parent_path().string() + ": " + error.message());
  }
  // The pages are written into a fresh folder and the whole folder then takes the place
  // of the earlier report, whose pages go with it.
  const fs::path building = FreshFolderBeside(root, "new");
  std::size_t number = 0;
  try {
    WritePages(building, *connection, &inventory.beside, clock, title, DaysOption("--stale-days", staleDays),
               DaysOption("--changes-days", changesDays), number);
    std::ofstream marker(building / kReportMarker);
    marker << "Written by korvane-console report; a later report replaces this folder.\n";
    if (!marker.flush()) throw RuntimeError(0, "cannot write " + (building / kReportMarker).string());
    std::error_code error;
    fs::path previous;
    if (fs::exists(fs::symlink_status(root, error))) {
      CheckOutputFolder(root, dir);
      previous = FreshFolderBeside(root, "old");
      fs::rename(root, previous / "report");
    }
    fs::rename(building, root);
    if (!previous.empty()) fs::remove_all(previous, error);
  } catch (...) {
    std::error_code error;
    fs::remove_all(building, error);
    throw;
  }
  out << "Report of " << number << (number == 1 ? " computer" : " computers") << " written to "
      << (root / "index.html").lexically_normal().string() << "\n";
  return 0;
}

namespace {

// Every page of the report, into `root`; `number` counts the computers.
void WritePages(const fs::path& root, Connection& connectionRef, BesideSessions* beside, Clock& clock, const std::string& title,
                int staleDays, int changesDays, std::size_t& number) {
  Connection* connection = &connectionRef;
  fs::create_directories(root / "computers");

  ReportContext context;
  context.title = title;
  context.staleDays = staleDays;
  context.changesDays = changesDays;
  // The local time of the report, in the inventory's own pattern.
  context.generated = TimeText(clock.Now());
  context.today = DayNumber(context.generated).value_or(0);
  {
    std::ofstream css(root / "report.css", std::ios::binary | std::ios::trunc);
    WriteStyleSheet(css);
    if (!css) throw RuntimeError(0, "cannot write " + (root / "report.css").string());
  }
  ReportOverview overview(root, context);
  overview.AddLastAccess(LastAccessTimes(*connection));
  // The tables `show --table` writes, as the same files beside the pages (changes.csv
  // comes with the changes page). The software table has a row for every program of
  // every computer and is written compressed.
  const auto cannotWrite = [&](FleetTable::Kind kind) {
    return RuntimeError(0, "cannot write " + (root / TableFileName(kind)).string());
  };
  std::ofstream computersFile(root / TableFileName(FleetTable::kComputers), std::ios::binary | std::ios::trunc);
  std::ofstream drivesFile(root / TableFileName(FleetTable::kDrives), std::ios::binary | std::ios::trunc);
  if (!computersFile) throw cannotWrite(FleetTable::kComputers);
  if (!drivesFile) throw cannotWrite(FleetTable::kDrives);
  GzipFile softwareFile(root / TableFileName(FleetTable::kSoftware));
  FleetTable tables[] = {{FleetTable::kComputers, FleetTable::kCsv, computersFile},
                         {FleetTable::kSoftware, FleetTable::kCsv, softwareFile},
                         {FleetTable::kDrives, FleetTable::kCsv, drivesFile}};
  number = 0;
  ForEachComputer(*connection, kReadAll, [&](const ComputerRows& c) {
    for (FleetTable& table : tables) table.Add(c);
    const std::string page = ComputerPageName(++number, Text(c.asset[asset::kComputer]));
    std::ofstream file(root / page, std::ios::binary | std::ios::trunc);
    if (!file) throw RuntimeError(0, "cannot write " + (root / page).string());
    WriteComputerPage(file, context, c);
    overview.Add(c, page);
  }, beside);
  for (FleetTable& table : tables) table.Finish();
  softwareFile.Close();
  computersFile.close();
  drivesFile.close();
  if (!computersFile) throw cannotWrite(FleetTable::kComputers);
  if (!drivesFile) throw cannotWrite(FleetTable::kDrives);
  overview.Finish();
}

}  // namespace

}  // namespace korvane::console

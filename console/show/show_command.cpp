// `korvane-console show`: the inventory as the scanners left it, read through the same
// database layer they use. Without a computer: a table of all computers, three lines
// each, kept within 80 columns. With one: its values, its history, the free-space series
// of its drives and its software.
#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <cctype>

#include "scan/conversions.h"
#include "scan/scan_context.h"
#include "console/commands.h"
#include "console/rows/inventory_rows.h"
#include "console/text/escaping.h"
#include "console/text/inventory_text.h"
#include "console/show/show_export.h"
#include "formats/drive_history_text.h"
#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "inventory/query_texts.h"
#include "scan/time_text.h"
#include "console/system/local_clock.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

// A stored value with its pin mark shown, so pinned values stand out.
std::string Shown(const Variant& v) {
  return IsPinned(v) ? UnpinnedText(v) + "  (pinned)" : Text(v);
}

std::string ProcessorSummary(const AssetRow& a) {
  int count = 0;
  std::string first;
  double speed = 0;
  for (const StoredProcessor& p : a.Processors()) {
    const std::string name = UnpinnedText(p.name);
    if (name.empty()) continue;
    if (++count == 1) {
      first = name;
      speed = Number(p.clockSpeed);
    }
  }
  if (count == 0) return "processor unknown";
  std::string text = std::to_string(count) + " x " + first;
  if (speed > 0 && first.find("Hz") == std::string::npos) text += " " + NumberText(speed) + " MHz";
  return text;
}

std::string DriveSummary(const AssetRow& a) {
  std::string text;
  for (const StoredDrive& d : a.Drives()) {
    const std::string caption = UnpinnedText(d.caption);
    if (caption.empty()) continue;
    const double size = Number(d.size);
    const double free = Number(d.freeSpace);
    const std::string fs = Text(d.fileSystem);
    std::string item = caption + " ";
    if (size <= 0) {
      item += fs.empty() ? "no medium" : fs;
    } else {
      item += SizeText(free) + " free of " + SizeText(size);
    }
    text += (text.empty() ? "" : ", ") + item;
  }
  return text.empty() ? "no drives recorded" : text;
}

// Wraps a comma-separated text at commas to lines of `width` after `indent`.
void Wrapped(std::ostream& out, const std::string& text, std::size_t indent, std::size_t width) {
  std::string line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(", ", start);
    std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? text.size() : end + 2;
    if (!line.empty() && line.size() + 2 + piece.size() > width) {
      out << std::string(indent, ' ') << line << ",\n";
      line.clear();
    }
    line += (line.empty() ? "" : ", ") + piece;
  }
  if (!line.empty()) out << std::string(indent, ' ') << line << "\n";
}

void ShowAll(Connection& connection, std::ostream& out, BesideSessions* beside) {
  out << Column("Computer", 14) << " " << Column("User", 15) << " " << Column("Operating system", 28)
      << " Last scan\n";
  out << std::string(15, ' ') << "Programs, memory, processors / drives\n";
  out << std::string(79, '-') << "\n";
  std::size_t shown = 0;
  ForEachComputer(connection, kCountSoftware | kReadDriveSlots, [&](const ComputerRows& c) {
    ++shown;
    const AssetRow& a = c.asset;
    const std::string computer = Text(a[asset::kComputer]);
    out << Column(computer, 14) << " " << Column(UnpinnedText(a[asset::kUserName]), 15) << " "
        << Column(ShortOsName(UnpinnedText(a[asset::kOSCaption]), UnpinnedText(a[asset::kCSDVersion])), 28)
        << " " << Text(a[asset::kLastScan]) << "\n";
    const double memory = Number(a[asset::kTotalPhysicalMemory]);
    const std::size_t count = c.ProgramCount();
    std::string line = std::string(15, ' ') +
                       Column(std::to_string(count) + (count == 1 ? " program, " : " programs, ") +
                                  (memory > 0 ? SizeText(memory) : "memory unknown") + ", " + ProcessorSummary(a),
                              64);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
    Wrapped(out, DriveSummary(a), 15, 64);
  }, beside);
  out << std::string(79, '-') << "\n" << shown << (shown == 1 ? " computer\n" : " computers\n");
}

struct Label {
  int ordinal;
  const char* text;
};

constexpr Label kAssetLabels[] = {
    {asset::kManufacturer, "Manufacturer"}, {asset::kModel, "Model"},
    {asset::kDomain, "Domain"}, {asset::kUserName, "User"},
    {asset::kIPAddress, "IP address"}, {asset::kOSCaption, "OS"},
    {asset::kCSDVersion, "Service pack"}, {asset::kOSVersion, "OS version"},
    {asset::kOSDescription, "Description"}, {asset::kBootDevice, "Boot device"},
    {asset::kWindowsDirectory, "Windows directory"}, {asset::kCountryCode, "Country code"},
    {asset::kBIOSManufacturer, "BIOS"}, {asset::kSMBIOSBIOSVersion, "BIOS version"},
    {asset::kSerialNumber, "Serial number"}, {asset::kLastScan, "Last scan"},
};

void ShowOne(Connection& connection, const std::string& computer, std::ostream& out) {
  const std::optional<ComputerRows> c = ReadComputer(connection, computer);
  if (!c) throw RuntimeError(0, "no computer " + computer + " in the inventory");
  const AssetRow& a = c->asset;
  const std::string name = Text(a[asset::kComputer]);
  out << "Computer " << name << "\n";
  for (const Label& l : kAssetLabels) {
    const std::string value = Shown(a[l.ordinal]);
    if (!value.empty()) out << "  " << Column(l.text, 18) << " " << value << "\n";
  }
  if (c->lastAccess) {
    const std::string when = Text(*c->lastAccess);
    out << "  " << Column("Last answered", 18) << " " << (when.empty() ? "never" : when) << "\n";
  }
  for (const StoredProcessor& p : a.Processors()) {
    const std::string cpu = Shown(p.name);
    if (cpu.empty()) continue;
    out << "  " << Column("Processor " + std::to_string(p.number), 18) << " " << cpu;
    const double speed = Number(p.clockSpeed);
    if (speed > 0) out << ", " << NumberText(speed) << " MHz";
    out << "\n";
  }
  out << "  " << Column("Memory (MB)", 18) << " total " << ValueOrUnknown(Text(a[asset::kTotalPhysicalMemory]))
      << ", free " << ValueOrUnknown(Text(a[asset::kFreePhysicalMemory])) << ", paging free "
      << ValueOrUnknown(Text(a[asset::kFreeSpaceInPagingFiles])) << ", virtual free "
      << ValueOrUnknown(Text(a[asset::kFreeVirtualMemory])) << "\n";
  out << "  Drives\n";
  for (const StoredDrive& d : a.Drives()) {
    const std::string caption = Shown(d.caption);
    if (caption.empty()) continue;
    std::string line = "    " + Column(caption, 4) + " " + Column(Text(d.fileSystem), 6) + " " +
                       Column(Text(d.volumeName), 14) + " ";
    if (Number(d.size) > 0) {
      line += "size " + Column(Text(d.size) + " MB", 11) + " free " +
              Column(Text(d.freeSpace) + " MB", 11) + " " + Text(d.volumeSerialNumber);
    } else {
      line += "no medium";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }

  const std::vector<StoredChange> history = ParseHistory(Text(a[asset::kHistory]));
  out << "History (" << history.size() << (history.size() == 1 ? " entry)\n" : " entries)\n");
  for (const auto& e : history) out << "  " << Column(e.time, 19) << " " << e.text << "\n";

  out << "Drive free space (MB)\n";
  for (const DriveSeries& d : c->drives) {
    std::string series;
    for (const auto& p : ParseDiskHistory(d.history)) {
      series += (series.empty() ? "" : ", ") + p.date + " " + p.value;
    }
    out << "  " << d.letter << ":\n";
    Wrapped(out, series.empty() ? "no entries" : series, 4, 74);
  }
  if (c->drives.empty()) out << "  none recorded\n";

  const std::vector<SoftwareEntry> items = ParseSoftwareList(c->softwareList.value_or(""));
  out << "Software (" << items.size() << (items.size() == 1 ? " program)\n" : " programs)\n");
  if (!items.empty()) {
    out << "  " << Column("Program", 58) << " Version\n";
  }
  for (const auto& s : items) {
    std::string line = "  " + Column(s.Program.empty() ? "(no name)" : s.Program, 58) + " " + s.Version;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
    // Where it lives and its product ID, when known, on a line of their own.
    std::string more = s.Location;
    if (!s.ProductID.empty()) more += (more.empty() ? "" : "  ") + std::string("product ID ") + s.ProductID;
    if (!more.empty()) out << "      " << more << "\n";
  }
  const std::size_t serviceCount = c->ServiceCount();
  // No computer runs no service: an empty list is one the service manager would not give.
  out << "Services: " << (serviceCount == 0 ? std::string("unknown") : std::to_string(serviceCount)) << "\n";
}

std::string Lowered(std::string word) {
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word;
}

}  // namespace

int RunShowCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  std::string source;
  std::string computer;
  std::string format = "text";
  std::string table;
  std::optional<std::string> since, staleDays;
  bool raw = false;
  bool changes = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--raw") {
      raw = true;
    } else if (args[i] == "--changes") {
      changes = true;
    } else if (args[i] == "--db" || args[i] == "--format" || args[i] == "--table" || args[i] == "--since" ||
               args[i] == "--stale-days") {
      if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
      if (args[i] == "--since") {
        since = args[i + 1];
      } else if (args[i] == "--stale-days") {
        staleDays = args[i + 1];
      } else {
        (args[i] == "--db" ? source : args[i] == "--format" ? format : table) = args[i + 1];
      }
      ++i;
    } else if (!args[i].empty() && args[i][0] == '-') {
      throw UsageError("unknown option " + args[i]);
    } else if (computer.empty()) {
      computer = args[i];
    } else {
      throw UsageError("show takes at most one computer");
    }
  }
  if (source.empty()) throw UsageError("show needs --db SOURCE");
  // Words, so any letter case will do.
  format = Lowered(format);
  table = Lowered(table);
  if (format != "text" && format != "csv" && format != "json") {
    throw UsageError("--format is text, csv or json, not " + format);
  }
  std::optional<FleetTable::Kind> kind;
  if (changes) kind = FleetTable::kChanges;
  if (!table.empty()) {
    std::optional<FleetTable::Kind> named;
    for (int k = 0; k < FleetTable::kTables; ++k) {
      if (table == FleetTable::Name(static_cast<FleetTable::Kind>(k))) named = static_cast<FleetTable::Kind>(k);
    }
    if (!named) throw UsageError("--table is computers, software, drives, changes or problems, not " + table);
    if (changes && *named != FleetTable::kChanges) throw UsageError("--changes is --table changes, not " + table);
    kind = named;
    if (format == "text" && *kind != FleetTable::kChanges) throw UsageError("--table needs --format csv or json");
  }
  if (since && (!kind || *kind != FleetTable::kChanges)) throw UsageError("--since goes with --changes");
  if (staleDays && (!kind || *kind != FleetTable::kProblems)) throw UsageError("--stale-days goes with --table problems");
  const int stale = staleDays ? DaysOption("--stale-days", *staleDays) : 30;
  if (kind && !computer.empty()) throw UsageError("--changes and --table are for the whole inventory, not one computer");
  // The changes of the last 7 days, today included, unless a first day is given.
  const int today = DayNumber(TimeText(LocalClock().Now())).value_or(0);
  int firstDay = today - 6;
  if (since) {
    const std::optional<int> day = since->size() == 10 && (*since)[4] == '-' && (*since)[7] == '-'
                                       ? DayNumber(*since) : std::nullopt;
    if (!day || *day > today) {
      throw UsageError("--since takes a date as YYYY-MM-DD, today (" + TimeText(LocalClock().Now(), "-").substr(0, 10) +
                       ") or earlier, not " + *since);
    }
    firstDay = *day;
  }

  ReadingInventory inventory = OpenInventoryForReading(source);
  Connection* connection = inventory.connection.get();
  if (kind) {
    TerminalStream text(out);
    std::ostream& to = format == "text" ? static_cast<std::ostream&>(text) : out;
    FleetTable rows(*kind, format == "csv" ? FleetTable::kCsv : format == "json" ? FleetTable::kJson : FleetTable::kText,
                    to, raw, firstDay, today, stale);
    if (*kind == FleetTable::kProblems) rows.AddLastAccess(LastAccessTimes(*connection));
    ForEachComputer(*connection, FleetTable::Parts(*kind), [&](const ComputerRows& c) { rows.Add(c); }, &inventory.beside);
    rows.Finish();
    return 0;
  }
  if (format == "csv") {
    ShowCsv(*connection, computer, out, raw, &inventory.beside);
    return 0;
  }
  if (format == "json") {
    ShowJson(*connection, computer, out, &inventory.beside);
    return 0;
  }
  // Every stored text may come from a hostile computer: nothing of it reaches the
  // terminal as a control sequence.
  TerminalStream text(out);
  if (computer.empty()) {
    ShowAll(*connection, text, &inventory.beside);
  } else {
    ShowOne(*connection, computer, text);
  }
  return 0;
}

}  // namespace korvane::console

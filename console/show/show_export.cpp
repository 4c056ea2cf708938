#include "console/show/show_export.h"

#include <algorithm>
#include <cmath>

#include <optional>
#include <vector>

#include "scan/conversions.h"
#include "console/text/escaping.h"
#include "console/rows/inventory_rows.h"
#include "console/text/inventory_text.h"
#include "formats/drive_history_text.h"
#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

struct Column {
  const char* name;
  int ordinal;
};

// The summary columns, by their schema names.
constexpr Column kSummary[] = {
    {"Computer", asset::kComputer},
    {"UserName", asset::kUserName},
    {"Manufacturer", asset::kManufacturer},
    {"Model", asset::kModel},
    {"Domain", asset::kDomain},
    {"OSCaption", asset::kOSCaption},
    {"CSDVersion", asset::kCSDVersion},
    {"OSVersion", asset::kOSVersion},
    {"Processor1Name", asset::ProcessorName(1)},
    {"Processor1ClockSpeed", asset::ProcessorClockSpeed(1)},
    {"TotalPhysicalMemory", asset::kTotalPhysicalMemory},
    {"SerialNumber", asset::kSerialNumber},
    {"IPAddress", asset::kIPAddress},
    {"LastScan", asset::kLastScan},
};

// Every stored Asset column that has a name, for the one-computer JSON, in the table's
// order.
constexpr Column kAssetColumns[] = {
    {"Computer", asset::kComputer},
    {"Manufacturer", asset::kManufacturer},
    {"Model", asset::kModel},
    {"Domain", asset::kDomain},
    {"BootDevice", asset::kBootDevice},
    {"OSDescription", asset::kOSDescription},
    {"OSCaption", asset::kOSCaption},
    {"CSDVersion", asset::kCSDVersion},
    {"OSVersion", asset::kOSVersion},
    {"Processor1Name", asset::ProcessorName(1)},
    {"Processor1ClockSpeed", asset::ProcessorClockSpeed(1)},
    {"Processor2Name", asset::ProcessorName(2)},
    {"Processor2ClockSpeed", asset::ProcessorClockSpeed(2)},
    {"Processor3Name", asset::ProcessorName(3)},
    {"Processor3ClockSpeed", asset::ProcessorClockSpeed(3)},
    {"Processor4Name", asset::ProcessorName(4)},
    {"Processor4ClockSpeed", asset::ProcessorClockSpeed(4)},
    {"TotalPhysicalMemory", asset::kTotalPhysicalMemory},
    {"FreePhysicalMemory", asset::kFreePhysicalMemory},
    {"FreeSpaceInPagingFiles", asset::kFreeSpaceInPagingFiles},
    {"FreeVirtualMemory", asset::kFreeVirtualMemory},
    {"CountryCode", asset::kCountryCode},
    {"WindowsDirectory", asset::kWindowsDirectory},
    {"BIOSManufacturer", asset::kBIOSManufacturer},
    {"SMBIOSBIOSVersion", asset::kSMBIOSBIOSVersion},
    {"SerialNumber", asset::kSerialNumber},
    {"LastScan", asset::kLastScan},
    {"UserName", asset::kUserName},
    {"IPAddress", asset::kIPAddress},
};

int ProcessorCount(const AssetRow& a) {
  int n = 0;
  for (const StoredProcessor& p : a.Processors()) n += !UnpinnedText(p.name).empty();
  return n;
}

std::vector<std::string> Summary(const ComputerRows& c) {
  std::vector<std::string> fields;
  for (const Column& col : kSummary) fields.push_back(Text(c.asset[col.ordinal]));
  fields.push_back(std::to_string(ProcessorCount(c.asset)));
  fields.push_back(std::to_string(c.ProgramCount()));
  fields.push_back(std::to_string(c.ServiceCount()));
  fields.push_back(c.lastAccess ? Text(*c.lastAccess) : "");
  return fields;
}

std::vector<std::string> SummaryNames() {
  std::vector<std::string> names;
  for (const Column& col : kSummary) names.push_back(col.name);
  for (const char* n : {"Processors", "Programs", "Services", "LastAccessTime"}) names.push_back(n);
  return names;
}

// A number JSON can hold; an infinite or undefined one (another client can store them)
// as the string JavaScript writes for it.
std::string JsonNumber(double d) {
  if (std::isnan(d)) return JsonString("NaN");
  if (std::isinf(d)) return JsonString(d > 0 ? "Infinity" : "-Infinity");
  return NumberText(d);
}

// Numbers as JSON numbers, texts as strings, Null as null.
std::string JsonValue(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: return "null";
    case Variant::Kind::Text: return JsonString(v.text());
    case Variant::Kind::Bool: return v.bool_value() ? "true" : "false";
    case Variant::Kind::Double: return JsonNumber(v.double_value());
    default: return Text(v);
  }
}

std::vector<ComputerRows> Selected(Connection& connection, const std::string& computer, unsigned parts) {
  std::vector<ComputerRows> rows;
  if (!computer.empty()) {
    std::optional<ComputerRows> c = ReadComputer(connection, computer, parts);
    if (!c) throw RuntimeError(0, "no computer " + computer + " in the inventory");
    rows.push_back(std::move(*c));
  }
  return rows;
}

void SummaryObject(const ComputerRows& c, std::ostream& out) {
  const std::vector<std::string> names = SummaryNames();
  const std::vector<std::string> values = Summary(c);
  out << "{";
  for (std::size_t i = 0; i < names.size(); ++i) {
    out << (i ? ", " : "") << JsonString(names[i]) << ": ";
    if (i < std::size(kSummary)) {
      out << JsonValue(c.asset[kSummary[i].ordinal]);
    } else if (names[i] == "LastAccessTime") {
      out << (c.lastAccess ? JsonValue(*c.lastAccess) : "null");
    } else {
      out << values[i];
    }
  }
  out << "}";
}

void DetailObject(const ComputerRows& c, std::ostream& out) {
  out << "{\n  \"values\": {";
  std::string pinned;
  bool first = true;
  for (const Column& col : kAssetColumns) {
    const Variant& v = c.asset[col.ordinal];
    out << (first ? "" : ",") << "\n    " << JsonString(col.name) << ": "
        << (IsPinned(v) ? JsonString(UnpinnedText(v)) : JsonValue(v));
    if (IsPinned(v)) pinned += (pinned.empty() ? "" : ", ") + JsonString(col.name);
    first = false;
  }
  out << "\n  },\n  \"pinned\": [" << pinned << "],\n";
  out << "  \"lastAccessTime\": " << (c.lastAccess ? JsonValue(*c.lastAccess) : "null") << ",\n";
  out << "  \"drives\": [";
  first = true;
  for (const StoredDrive& d : c.asset.Drives()) {
    const Variant& caption = d.caption;
    if (Text(caption).empty()) continue;
    out << (first ? "" : ",") << "\n    {\"letter\": \"" << d.letter
        << "\", \"caption\": " << JsonString(UnpinnedText(caption)) << ", \"pinned\": " << (IsPinned(caption) ? "true" : "false")
        << ", \"size\": " << JsonValue(d.size)
        << ", \"freeSpace\": " << JsonValue(d.freeSpace)
        << ", \"volumeName\": " << JsonValue(d.volumeName)
        << ", \"fileSystem\": " << JsonValue(d.fileSystem)
        << ", \"volumeSerialNumber\": " << JsonValue(d.volumeSerialNumber) << "}";
    first = false;
  }
  out << "\n  ],\n  \"freeSpaceHistory\": {";
  first = true;
  for (const DriveSeries& d : c.drives) {
    out << (first ? "" : ",") << "\n    \"" << d.letter << "\": [";
    bool firstPoint = true;
    for (const FreeSpacePoint& p : ParseDiskHistory(d.history)) {
      out << (firstPoint ? "" : ", ") << "{\"date\": " << JsonString(p.date) << ", \"freeMB\": "
          << (p.valid ? JsonNumber(p.megabytes) : JsonString(p.value)) << "}";
      firstPoint = false;
    }
    out << "]";
    first = false;
  }
  out << "\n  },\n  \"history\": [";
  first = true;
  static const char* const kKinds[] = {"created", "field", "installed", "removed", "software", "other"};
  for (const StoredChange& e : ParseHistory(Text(c.asset[asset::kHistory]))) {
    out << (first ? "" : ",") << "\n    {\"time\": " << JsonString(e.time) << ", \"kind\": \""
        << kKinds[static_cast<int>(e.kind)] << "\", \"text\": " << JsonString(e.text);
    if (!e.subject.empty()) out << ", \"subject\": " << JsonString(e.subject);
    if (!e.what.empty()) out << ", \"what\": " << JsonString(e.what);
    if (e.kind == ChangeKind::FieldChanged || e.kind == ChangeKind::SoftwareChanged) {
      out << ", \"from\": " << JsonString(e.from) << ", \"to\": " << JsonString(e.to);
    }
    out << "}";
    first = false;
  }
  out << "\n  ],\n  \"software\": [";
  first = true;
  for (const SoftwareEntry& s : ParseSoftwareList(c.softwareList.value_or(""))) {
    out << (first ? "" : ",") << "\n    {\"program\": " << JsonString(s.Program) << ", \"version\": "
        << JsonString(s.Version) << ", \"location\": " << JsonString(s.Location)
        << ", \"productId\": " << JsonString(s.ProductID) << "}";
    first = false;
  }
  out << "\n  ],\n  \"services\": [";
  first = true;
  for (const std::string& s : SplitList(c.serviceList.value_or(""))) {
    out << (first ? "" : ",") << "\n    " << JsonString(s);
    first = false;
  }
  out << "\n  ]\n}\n";
}

}  // namespace

void ShowCsv(Connection& connection, const std::string& computer, std::ostream& out, bool raw, BesideSessions* beside) {
  FleetTable table(FleetTable::kComputers, FleetTable::kCsv, out, raw);
  if (!computer.empty()) {
    for (const ComputerRows& c : Selected(connection, computer, FleetTable::Parts(FleetTable::kComputers))) table.Add(c);
  } else {
    ForEachComputer(connection, FleetTable::Parts(FleetTable::kComputers), [&](const ComputerRows& c) { table.Add(c); }, beside);
  }
  table.Finish();
}

void ShowJson(Connection& connection, const std::string& computer, std::ostream& out, BesideSessions* beside) {
  if (!computer.empty()) {
    for (const ComputerRows& c : Selected(connection, computer, kReadAll)) DetailObject(c, out);
    return;
  }
  FleetTable table(FleetTable::kComputers, FleetTable::kJson, out);
  ForEachComputer(connection, FleetTable::Parts(FleetTable::kComputers), [&](const ComputerRows& c) { table.Add(c); }, beside);
  table.Finish();
}

std::string ChangeKindName(const StoredChange& e) {
  switch (e.kind) {
    case ChangeKind::Created: return "created";
    case ChangeKind::FieldChanged: return e.subject.rfind("Drive ", 0) == 0 ? "drive" : "hardware";
    case ChangeKind::SoftwareInstalled: return "software installed";
    case ChangeKind::SoftwareRemoved: return "software removed";
    case ChangeKind::SoftwareChanged: return "software version";
    case ChangeKind::Other: break;
  }
  return "note";
}

namespace {

std::vector<std::string> TableNames(FleetTable::Kind kind) {
  switch (kind) {
    case FleetTable::kComputers: return SummaryNames();
    case FleetTable::kSoftware: return {"Computer", "Program", "Version", "Location", "ProductID"};
    case FleetTable::kDrives:
      return {"Computer", "Drive", "FileSystem", "VolumeName", "Size", "FreeSpace", "VolumeSerialNumber"};
    case FleetTable::kProblems: return {"Problem", "Computer", "Inventoried", "Time", "Detail"};
    case FleetTable::kChanges:
    case FleetTable::kTables: break;
  }
  return {"Time", "Computer", "Kind", "Change"};
}

}  // namespace

FleetTable::FleetTable(Kind kind, Format format, std::ostream& out, bool raw, int firstDay, int lastDay, int staleDays)
    : kind_(kind), format_(format), out_(out), raw_(raw), firstDay_(firstDay), lastDay_(lastDay),
      names_(TableNames(kind)),
      // Newest first; within one second, by computer, each computer's in stored order.
      changes_([](const SpilledSort::Record& x, const SpilledSort::Record& y) {
        return x[0] != y[0] ? x[0] > y[0] : x[1] < y[1];
      }),
      // By kind, in the order the problems page has them; within a kind, as found.
      problems_([](const SpilledSort::Record& x, const SpilledSort::Record& y) { return x[0] < y[0]; }) {
  if (kind_ == kProblems) {
    finder_ = std::make_unique<ProblemFinder>(lastDay, staleDays, [this](const Problem& p) { AddProblem(p); });
  }
  if (format_ == kJson) {
    out_ << "[";
    return;
  }
  if (format_ == kText) {
    out_ << korvane::console::Column("Time", 19) << " " << korvane::console::Column("Computer", 14) << " "
         << korvane::console::Column("Kind", 18) << " Change\n" << std::string(79, '-') << "\n";
    return;
  }
  for (std::size_t i = 0; i < names_.size(); ++i) out_ << (i ? "," : "") << names_[i];
  out_ << "\r\n";
}

unsigned FleetTable::Parts(Kind kind) {
  return kind == kComputers   ? kCountSoftware | kCountServices | kReadLastAccess
         : kind == kSoftware  ? kReadSoftware
         : kind == kProblems ? kReadLastAccess
         : kind == kChanges  ? kReadHistory
         : kind == kDrives   ? kReadDriveSlots
                             : 0u;
}

const char* FleetTable::Name(Kind kind) {
  static const char* const kNames[] = {"computers", "software", "drives", "changes", "problems", ""};
  return kNames[kind];
}

void FleetTable::Emit(const std::vector<Cell>& cells) {
  ++rows_;
  if (format_ == kText) {
    out_ << korvane::console::Column(cells[0].text, 19) << " " << korvane::console::Column(cells[1].text, 14) << " "
         << korvane::console::Column(cells[2].text, 18) << " " << cells[3].text << "\n";
    return;
  }
  if (format_ == kCsv) {
    for (std::size_t i = 0; i < cells.size(); ++i) out_ << (i ? "," : "") << CsvCell(cells[i].text, raw_);
    out_ << "\r\n";
    return;
  }
  out_ << (first_ ? "\n  {" : ",\n  {");
  for (std::size_t i = 0; i < cells.size(); ++i) {
    out_ << (i ? ", " : "") << JsonString(names_[i]) << ": " << cells[i].json;
  }
  out_ << "}";
  first_ = false;
}

void FleetTable::AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times) {
  if (finder_) finder_->AddLastAccess(times);
}

void FleetTable::AddProblem(const Problem& problem) {
  problems_.Add({std::string(1, static_cast<char>('0' + problem.kind)), problem.computer,
                 problem.page.empty() ? "" : "1", problem.time, problem.detail});
}

void FleetTable::Add(const ComputerRows& c) {
  const std::string computer = Text(c.asset[asset::kComputer]);
  // Each cell in the one form the table is written in.
  const bool json = format_ == kJson;
  const Cell name = json ? Cell{"", JsonValue(c.asset[asset::kComputer])} : Cell{computer, ""};
  const auto text = [json](const std::string& t) { return json ? Cell{"", JsonString(t)} : Cell{t, ""}; };
  const auto value = [json](const Variant& v) {
    if (!json) return Cell{IsPinned(v) ? UnpinnedText(v) : Text(v), ""};
    return Cell{"", IsPinned(v) ? JsonString(UnpinnedText(v)) : JsonValue(v)};
  };
  switch (kind_) {
    case kComputers:
      if (format_ == kCsv) {
        const std::vector<std::string> fields = Summary(c);
        for (std::size_t i = 0; i < fields.size(); ++i) out_ << (i ? "," : "") << CsvCell(fields[i], raw_);
        out_ << "\r\n";
      } else {
        out_ << (first_ ? "\n  " : ",\n  ");
        SummaryObject(c, out_);
        first_ = false;
      }
      return;
    case kSoftware:
      for (const SoftwareEntry& s : c.Software()) {
        Emit({name, text(s.Program), text(s.Version), text(s.Location), text(s.ProductID)});
      }
      return;
    case kDrives:
      for (const StoredDrive& d : c.asset.Drives()) {
        if (UnpinnedText(d.caption).empty()) continue;
        Emit({name, value(d.caption), value(d.fileSystem), value(d.volumeName), value(d.size), value(d.freeSpace),
              value(d.volumeSerialNumber)});
      }
      return;
    case kChanges:
      for (const StoredChange& e : c.History()) {
        const std::optional<int> day = DayNumber(e.time);
        if (!day || *day < firstDay_ || *day > lastDay_) continue;
        changes_.Add({e.time, computer, ChangeKindName(e), e.text});
      }
      return;
    case kProblems:
      if (finder_) finder_->Add(c, computer);
      return;
    case kTables: return;
  }
}

void FleetTable::Finish() {
  const auto text = [](const std::string& t) { return Cell{t, JsonString(t)}; };
  changes_.Drain([&](const SpilledSort::Record& c) { Emit({text(c[0]), text(c[1]), text(c[2]), text(c[3])}); });
  if (finder_) finder_->Finish();
  problems_.Drain([&](const SpilledSort::Record& p) {
    const bool inventoried = !p[2].empty();
    Emit({text(ProblemWord(static_cast<Problem::Kind>(p[0][0] - '0'))), text(p[1]),
          Cell{inventoried ? "yes" : "no", inventoried ? "true" : "false"}, text(p[3]), text(p[4])});
  });
  if (format_ == kJson) out_ << "\n]\n";
  if (format_ == kText) {
    out_ << std::string(79, '-') << "\n" << rows_ << (rows_ == 1 ? " change\n" : " changes\n");
  }
}

}  // namespace korvane::console

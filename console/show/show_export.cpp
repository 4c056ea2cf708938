#include "console/show/show_export.h"

#include <optional>
#include <vector>

#include "scan/conversions.h"
#include "console/text/escaping.h"
#include "console/rows/inventory_rows.h"
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

// Every stored Asset column that has a name, for the one-computer JSON.
std::vector<Column> AssetColumns() {
  static const char* const kNames[] = {
      "Computer", "Manufacturer", "Model", "Domain", "BootDevice", "OSDescription", "OSCaption", "CSDVersion",
      "OSVersion", "Processor1Name", "Processor1ClockSpeed", "Processor2Name", "Processor2ClockSpeed",
      "Processor3Name", "Processor3ClockSpeed", "Processor4Name", "Processor4ClockSpeed", "TotalPhysicalMemory",
      "FreePhysicalMemory", "FreeSpaceInPagingFiles", "FreeVirtualMemory", "CountryCode", "WindowsDirectory",
      "BIOSManufacturer", "SMBIOSBIOSVersion", "SerialNumber", "LastScan", "UserName"};
  std::vector<Column> columns;
  for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) columns.push_back({kNames[i], i});
  columns.push_back({"IPAddress", asset::kIPAddress});
  return columns;
}

int ProcessorCount(const Row& a) {
  int n = 0;
  for (int p = 1; p <= 4; ++p) n += !UnpinnedText(At(a, asset::ProcessorName(p))).empty();
  return n;
}

std::vector<std::string> Summary(const ComputerRows& c) {
  std::vector<std::string> fields;
  for (const Column& col : kSummary) fields.push_back(Text(At(c.asset, col.ordinal)));
  fields.push_back(std::to_string(ProcessorCount(c.asset)));
  fields.push_back(std::to_string(ParseSoftwareList(c.softwareList.value_or("")).size()));
  fields.push_back(std::to_string(SplitList(c.serviceList.value_or("")).size()));
  fields.push_back(c.lastAccess ? Text(*c.lastAccess) : "");
  return fields;
}

std::vector<std::string> SummaryNames() {
  std::vector<std::string> names;
  for (const Column& col : kSummary) names.push_back(col.name);
  for (const char* n : {"Processors", "Programs", "Services", "LastAccessTime"}) names.push_back(n);
  return names;
}

// Numbers as JSON numbers, texts as strings, Null as null.
std::string JsonValue(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: return "null";
    case Variant::Kind::Text: return JsonString(v.text());
    case Variant::Kind::Bool: return v.bool_value() ? "true" : "false";
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
      out << JsonValue(At(c.asset, kSummary[i].ordinal));
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
  for (const Column& col : AssetColumns()) {
    const Variant& v = At(c.asset, col.ordinal);
    out << (first ? "" : ",") << "\n    " << JsonString(col.name) << ": "
        << (IsPinned(v) ? JsonString(UnpinnedText(v)) : JsonValue(v));
    if (IsPinned(v)) pinned += (pinned.empty() ? "" : ", ") + JsonString(col.name);
    first = false;
  }
  out << "\n  },\n  \"pinned\": [" << pinned << "],\n";
  out << "  \"lastAccessTime\": " << (c.lastAccess ? JsonValue(*c.lastAccess) : "null") << ",\n";
  out << "  \"drives\": [";
  first = true;
  for (int letter = 0; letter < 10; ++letter) {
    const int slot = asset::DriveSlot(letter);
    const Variant& caption = At(c.asset, slot + asset::kDriveCaption);
    if (Text(caption).empty()) continue;
    out << (first ? "" : ",") << "\n    {\"letter\": \"" << static_cast<char>('A' + letter)
        << "\", \"caption\": " << JsonString(UnpinnedText(caption)) << ", \"pinned\": " << (IsPinned(caption) ? "true" : "false")
        << ", \"size\": " << JsonValue(At(c.asset, slot + asset::kDriveSize))
        << ", \"freeSpace\": " << JsonValue(At(c.asset, slot + asset::kDriveFreeSpace))
        << ", \"volumeName\": " << JsonValue(At(c.asset, slot + asset::kDriveVolumeName))
        << ", \"fileSystem\": " << JsonValue(At(c.asset, slot + asset::kDriveFileSystem))
        << ", \"volumeSerialNumber\": " << JsonValue(At(c.asset, slot + asset::kDriveVolumeSerialNumber)) << "}";
    first = false;
  }
  out << "\n  ],\n  \"freeSpaceHistory\": {";
  first = true;
  for (const DriveSeries& d : c.drives) {
    out << (first ? "" : ",") << "\n    \"" << d.letter << "\": [";
    bool firstPoint = true;
    for (const FreeSpacePoint& p : ParseDiskHistory(d.history)) {
      out << (firstPoint ? "" : ", ") << "{\"date\": " << JsonString(p.date) << ", \"freeMB\": "
          << (p.valid ? NumberText(p.megabytes) : JsonString(p.value)) << "}";
      firstPoint = false;
    }
    out << "]";
    first = false;
  }
  out << "\n  },\n  \"history\": [";
  first = true;
  static const char* const kKinds[] = {"created", "field", "installed", "removed", "software", "other"};
  for (const StoredChange& e : ParseHistory(Text(At(c.asset, asset::kHistory)))) {
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

void ShowCsv(Connection& connection, const std::string& computer, std::ostream& out) {
  const auto line = [&out](const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
    out << "\r\n";
  };
  line(SummaryNames());
  const unsigned parts = kReadSoftware | kReadServices | kReadLastAccess;
  if (!computer.empty()) {
    for (const ComputerRows& c : Selected(connection, computer, parts)) line(Summary(c));
    return;
  }
  for (const std::string& name : ComputerNames(connection)) {
    if (std::optional<ComputerRows> c = ReadComputer(connection, name, parts)) line(Summary(*c));
  }
}

void ShowJson(Connection& connection, const std::string& computer, std::ostream& out) {
  if (!computer.empty()) {
    for (const ComputerRows& c : Selected(connection, computer, kReadAll)) DetailObject(c, out);
    return;
  }
  out << "[";
  bool first = true;
  for (const std::string& name : ComputerNames(connection)) {
    std::optional<ComputerRows> c = ReadComputer(connection, name, kReadSoftware | kReadServices | kReadLastAccess);
    if (!c) continue;
    out << (first ? "\n  " : ",\n  ");
    SummaryObject(*c, out);
    first = false;
  }
  out << "\n]\n";
}

}  // namespace korvane::console

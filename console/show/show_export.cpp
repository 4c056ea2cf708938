#include "console/show/show_export.h"

#include <cmath>

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

void ShowCsv(Connection& connection, const std::string& computer, std::ostream& out, bool raw) {
  const auto line = [&out, raw](const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvCell(fields[i], raw);
    out << "\r\n";
  };
  line(SummaryNames());
  const unsigned parts = kReadSoftware | kReadServices | kReadLastAccess;
  if (!computer.empty()) {
    for (const ComputerRows& c : Selected(connection, computer, parts)) line(Summary(c));
    return;
  }
  ForEachComputer(connection, parts, [&](const ComputerRows& c) { line(Summary(c)); });
}

void ShowJson(Connection& connection, const std::string& computer, std::ostream& out) {
  if (!computer.empty()) {
    for (const ComputerRows& c : Selected(connection, computer, kReadAll)) DetailObject(c, out);
    return;
  }
  out << "[";
  bool first = true;
  ForEachComputer(connection, kReadSoftware | kReadServices | kReadLastAccess, [&](const ComputerRows& c) {
    out << (first ? "\n  " : ",\n  ");
    SummaryObject(c, out);
    first = false;
  });
  out << "\n]\n";
}

}  // namespace korvane::console

// One computer's page of the report: its values grouped as a person looks for them, a
// free-space chart per drive, its change timeline (newest first), software and services.
#include <algorithm>
#include <cctype>

#include "scan/conversions.h"
#include "console/text/escaping.h"
#include "console/text/inventory_text.h"
#include "console/report/report.h"
#include "inventory/query_texts.h"

namespace korvane::console {

namespace {

struct Field {
  const char* label;
  int ordinal;
  const char* unit;
};

struct Group {
  const char* title;
  std::vector<Field> fields;
};

const std::vector<Group>& Groups() {
  static const std::vector<Group> kGroups = {
      {"System", {{"Manufacturer", asset::kManufacturer, ""}, {"Model", asset::kModel, ""},
                  {"Serial number", asset::kSerialNumber, ""}, {"Domain", asset::kDomain, ""},
                  {"User", asset::kUserName, ""}}},
      {"Operating system", {{"OS", asset::kOSCaption, ""}, {"Service pack", asset::kCSDVersion, ""},
                            {"Version", asset::kOSVersion, ""}, {"Description", asset::kOSDescription, ""},
                            {"Windows directory", asset::kWindowsDirectory, ""},
                            {"Boot device", asset::kBootDevice, ""}, {"Country code", asset::kCountryCode, ""}}},
      {"Processors", {{"Processor 1", asset::ProcessorName(1), ""}, {"Speed 1", asset::ProcessorClockSpeed(1), " MHz"},
                      {"Processor 2", asset::ProcessorName(2), ""}, {"Speed 2", asset::ProcessorClockSpeed(2), " MHz"},
                      {"Processor 3", asset::ProcessorName(3), ""}, {"Speed 3", asset::ProcessorClockSpeed(3), " MHz"},
                      {"Processor 4", asset::ProcessorName(4), ""}, {"Speed 4", asset::ProcessorClockSpeed(4), " MHz"}}},
      {"Memory", {{"Physical", asset::kTotalPhysicalMemory, " MB"}, {"Free physical", asset::kFreePhysicalMemory, " MB"},
                  {"Free in paging files", asset::kFreeSpaceInPagingFiles, " MB"},
                  {"Free virtual", asset::kFreeVirtualMemory, " MB"}}},
      {"Network", {{"IP address", asset::kIPAddress, ""}}},
      {"BIOS", {{"Maker", asset::kBIOSManufacturer, ""}, {"Version", asset::kSMBIOSBIOSVersion, ""}}},
  };
  return kGroups;
}

void WriteGroups(std::ostream& out, const AssetRow& a) {
  out << "<div class=\"grid\">\n";
  for (const Group& g : Groups()) {
    out << "<div><h2>" << g.title << "</h2><table>\n";
    bool any = false;
    for (const Field& f : g.fields) {
      const Variant& v = a[f.ordinal];
      // Slots of processors that are not there hold 0.
      if (Text(v).empty() || (Text(v) == "0" && std::string(f.unit) == " MHz")) continue;
      any = true;
      // An amount the scan could not read is stored as 0: it is unknown, not none.
      if (std::string(f.unit) == " MB" && ValueOrUnknown(Text(v)) == "unknown") {
        out << "<tr><th>" << f.label << "<td class=\"muted\">unknown\n";
        continue;
      }
      // A scan without WMI stores only the version number as the system's name.
      if (f.ordinal == asset::kOSCaption && !IsPinned(v)) {
        out << "<tr><th>" << f.label << "<td>" << Html(NamedWindowsVersion(Text(v))) << "\n";
        continue;
      }
      out << "<tr><th>" << f.label << "<td>" << ShownHtml(v) << f.unit << "\n";
    }
    if (!any) out << "<tr><td class=\"muted\">nothing recorded</td></tr>\n";
    out << "</table></div>\n";
  }
  out << "</div>\n";
}

void WriteDrives(std::ostream& out, const ComputerRows& c) {
  out << "<h2>Drives</h2>\n<table>\n<tr><th>Drive</th><th>File system</th><th>Volume</th><th>Size</th>"
         "<th>Free</th><th>Serial number</th></tr>\n";
  bool any = false;
  for (const StoredDrive& d : c.asset.Drives()) {
    if (Text(d.caption).empty()) continue;
    any = true;
    const double size = Number(d.size);
    const double free = Number(d.freeSpace);
    const DriveKind kind = KindOfDrive(d.letter, Text(d.fileSystem));
    out << "<tr><td>" << ShownHtml(d.caption)
        << (kind == DriveKind::CD ? " (CD)" : kind == DriveKind::Removable ? " (removable)" : "") << "</td><td>"
        << Html(Text(d.fileSystem))
        << "</td><td>" << Html(Text(d.volumeName)) << "</td><td class=\"num\">"
        << (size > 0 ? SizeText(size) : "no medium") << "</td><td class=\"num\">"
        << (size > 0 ? SizeText(free) : "") << "</td><td>"
        << Html(Text(d.volumeSerialNumber)) << "</td></tr>\n";
  }
  if (!any) out << "<tr><td colspan=\"6\" class=\"muted\">no drives recorded</td></tr>\n";
  out << "</table>\n<h2>Free space over time</h2>\n";
  if (c.drives.empty()) out << "<p class=\"muted\">No drive history recorded.</p>\n";
  for (const DriveSeries& d : c.drives) {
    WriteDriveChart(out, d.letter, ParseDiskHistory(d.history), Number(c.asset.Drive(d.letter).size));
  }
}

std::string Value(const std::string& v) { return v.empty() ? "<span class=\"muted\">nothing</span>" : Html(v); }

void WriteTimeline(std::ostream& out, const ComputerRows& c) {
  const std::vector<StoredChange>& entries = c.History();
  out << "<h2>Changes (" << entries.size() << ")</h2>\n";
  if (entries.empty()) {
    out << "<p class=\"muted\">No history recorded.</p>\n";
    return;
  }
  // Hundreds of entries on a long-lived computer: short tags, and the item end tags that
  // HTML leaves optional left out.
  out << "<ol class=\"timeline\">\n";
  for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
    out << "<li><time>" << (e->time.empty() ? "(time cut off)" : Html(e->time)) << "</time>";
    switch (e->kind) {
      case ChangeKind::Created:
        out << "<mark class=c>created</mark>First scan: the record was created";
        break;
      case ChangeKind::FieldChanged:
        out << "<mark class=f>changed</mark><b>" << Html(e->subject) << "</b>: " << Value(e->from) << " \u2192 "
            << Value(e->to);
        break;
      case ChangeKind::SoftwareInstalled:
        out << "<mark class=i>installed</mark>" << Html(e->subject);
        break;
      case ChangeKind::SoftwareRemoved:
        out << "<mark class=r>removed</mark>" << Html(e->subject);
        break;
      case ChangeKind::SoftwareChanged:
        out << "<mark class=u>updated</mark>" << Html(e->subject) << " <i>" << Html(e->what) << "</i>: "
            << Value(e->from) << " \u2192 " << Value(e->to);
        break;
      case ChangeKind::Other:
        out << "<mark>note</mark>" << Html(e->text);
        break;
    }
    out << "\n";
  }
  out << "</ol>\n";
}

void WriteSoftware(std::ostream& out, const ComputerRows& c) {
  std::vector<SoftwareEntry> items = c.Software();
  std::stable_sort(items.begin(), items.end(),
                   [](const SoftwareEntry& x, const SoftwareEntry& y) { return x.Program < y.Program; });
  out << "<h2>Installed software (" << items.size() << ")</h2>\n";
  if (!items.empty()) {
    // A page holds what a person reads of a few hundred programs; where each lies, its
    // product ID and the other computers that run it are a click away, not on every page.
    out << "<p class=\"muted\">Locations and product IDs: <a href=\"../software.csv.gz\">software.csv.gz</a>. "
           "Each program's computers: <a href=\"../software.html\">Software</a>.</p>\n"
        << "<table class=\"software\">\n<tr><th>Program</th><th>Version</th></tr>\n";
    for (const SoftwareEntry& s : items) {
      out << "<tr><td>";
      if (s.Program.empty()) {
        out << "<span class=\"muted\">(no name)</span>";
      } else {
        out << Html(s.Program);
      }
      // The cells' end tags, which HTML leaves optional, are left out.
      out << "<td>" << Html(s.Version) << "\n";
    }
    out << "</table>\n";
  }
  const std::vector<std::string> services = SplitList(c.serviceList.value_or(""));
  out << "<h2>Services (" << (services.empty() ? std::string("unknown") : std::to_string(services.size()))
      << ")</h2>\n";
  if (!services.empty()) {
    out << "<ul class=\"services\">\n";
    for (const std::string& s : services) out << "<li>" << Html(s) << "\n";
    out << "</ul>\n";
  }
}

}  // namespace

std::string UpdateKey(const std::string& program) {
  for (std::size_t at = program.find("KB"); at != std::string::npos; at = program.find("KB", at + 1)) {
    std::size_t end = at + 2;
    while (end < program.size() && std::isdigit(static_cast<unsigned char>(program[end]))) ++end;
    const bool wordStart = at == 0 || !std::isalnum(static_cast<unsigned char>(program[at - 1]));
    const bool wordEnd = end == program.size() || !std::isalnum(static_cast<unsigned char>(program[end]));
    if (end - at >= 8 && end - at <= 10 && wordStart && wordEnd) return program.substr(at, end - at);
  }
  for (const char* mark : {"Update for ", "Security Update", "Hotfix"}) {
    if (program.find(mark) != std::string::npos) return program;
  }
  return "";
}

void WriteComputerPage(std::ostream& out, const ReportContext& context, const ComputerRows& c) {
  const AssetRow& a = c.asset;
  WritePageStart(out, context, "Computer " + Text(a[asset::kComputer]), "../");
  out << "<section class=\"cards\">\n<div class=\"card\">Last scan<div class=\"big\">"
      << Html(Text(a[asset::kLastScan]).empty() ? std::string("never") : Text(a[asset::kLastScan]))
      << "</div></div>\n<div class=\"card\">Last answered<div class=\"big\">";
  if (!c.lastAccess) {
    out << "no record";
  } else if (Text(*c.lastAccess).empty()) {
    out << "never";
  } else {
    out << Html(Text(*c.lastAccess));
  }
  out << "</div></div>\n</section>\n";
  WriteGroups(out, a);
  WriteDrives(out, c);
  WriteTimeline(out, c);
  WriteSoftware(out, c);
  WritePageEnd(out);
}

}  // namespace korvane::console

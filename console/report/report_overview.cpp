#include "console/report/report_overview.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "scan/conversions.h"
#include "console/text/escaping.h"
#include "console/text/inventory_text.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

constexpr std::size_t kTopDrives = 15;
// Where the computer pages are, within DIR.
constexpr std::string_view kComputersFolder = "computers/";
// A program page links its computers when it has at most this many.
constexpr std::size_t kLinkedComputers = 200;
constexpr const char* kPinnedMark = "<span class=\"pinned\">pinned</span>";

// Classes are kept under a key that sorts them in their numeric order ("03 256 to 511 MB");
// the tables show what follows the key's first blank.
std::string Ordered(int rank, const std::string& name) {
  return std::string(1, static_cast<char>('0' + rank / 10 % 10)) + static_cast<char>('0' + rank % 10) + " " + name;
}

std::string Unordered(const std::string& key) { return key.substr(key.find(' ') + 1); }

std::string MemoryClass(double mb) {
  if (mb <= 0) return Ordered(99, "unknown");
  static const std::pair<double, const char*> kClasses[] = {
      {128, "under 128 MB"}, {256, "128 to 255 MB"}, {512, "256 to 511 MB"}, {1024, "512 MB to 1 GB"},
      {2048, "1 to 2 GB"},  {4096, "2 to 4 GB"},    {8192, "4 to 8 GB"},     {16384, "8 to 16 GB"}};
  // Installed memory reads a little below its nominal size (511 MB for 512).
  int rank = 0;
  for (const auto& [limit, name] : kClasses) {
    ++rank;
    if (mb < limit * 0.97) return Ordered(rank, name);
  }
  return Ordered(rank + 1, "16 GB and more");
}

std::string ProcessorClass(const AssetRow& a) {
  int count = 0;
  double speed = 0;
  for (const StoredProcessor& p : a.Processors()) {
    if (UnpinnedText(p.name).empty()) continue;
    ++count;
    speed = std::max(speed, Number(p.clockSpeed));
  }
  if (count == 0) return Ordered(99, "unknown");
  const int speedRank = speed <= 0 ? 5 : speed < 1000 ? 1 : speed < 2000 ? 2 : speed < 3000 ? 3 : 4;
  static const char* const kSpeeds[] = {"", "under 1 GHz", "1 to 2 GHz", "2 to 3 GHz", "3 GHz and more", "speed unknown"};
  return Ordered(count * 10 + speedRank,
                 std::to_string(count) + (count == 1 ? " processor, " : " processors, ") + kSpeeds[speedRank]);
}

std::string Percent(double part, double whole) {
  char t[16];
  std::snprintf(t, sizeof t, "%.0f%%", whole > 0 ? 100.0 * part / whole : 0.0);
  return t;
}

// A page name that any file system takes: the number keeps it unique, the name's safe
// characters keep it readable.
std::string SafeFilePart(const std::string& name) {
  std::string safe;
  for (char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
      safe += c;
    }
    if (safe.size() >= 40) break;
  }
  return safe;
}

// The address of the computer list filtered to one class.
std::string FilterLink(const std::string& text) {
  std::string link = "computers.html#q=";
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      link += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      link += hex;
    }
  }
  return link;
}

// `byCount`: the most common first; otherwise in the order of the keys (Ordered).
void CountTable(std::ostream& out, const char* title, const char* what, const std::map<std::string, std::size_t>& counts,
                std::size_t total, bool byCount) {
  std::vector<std::pair<std::string, std::size_t>> rows(counts.begin(), counts.end());
  if (byCount) {
    std::stable_sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x.second > y.second; });
  }
  out << "<div><h2>" << title << "</h2><table>\n<tr><th>" << what << "</th><th>Computers</th><th></th></tr>\n";
  for (const auto& [key, n] : rows) {
    const std::string name = byCount ? key : Unordered(key);
    out << "<tr><td><a href=\"" << Html(FilterLink(name)) << "\">" << Html(name) << "</a></td><td class=\"num\">" << n << "</td><td><span class=\"bar\" style=\"width:"
        << (total ? 120 * n / total : 0) << "px\"></span> " << Percent(static_cast<double>(n), static_cast<double>(total))
        << "</td></tr>\n";
  }
  out << "</table></div>\n";
}

}  // namespace

std::string ComputerPageName(std::size_t number, const std::string& name) {
  char n[16];
  std::snprintf(n, sizeof n, "%05zu", number);
  const std::string safe = SafeFilePart(name);
  return std::string(kComputersFolder) + n + (safe.empty() ? "" : "-" + safe) + ".html";
}

ReportOverview::ReportOverview(std::filesystem::path dir, ReportContext context, std::size_t batchLinks)
    : dir_(std::move(dir)),
      context_(std::move(context)),
      batchLinks_(batchLinks),
      rowsPath_(dir_ / ".computers.part"),
      linksPath_(dir_ / ".census.part"),
      problems_(dir_, context_) {
  rows_.open(rowsPath_, std::ios::binary | std::ios::trunc);
  links_.open(linksPath_, std::ios::binary | std::ios::trunc);
  if (!rows_ || !links_) throw RuntimeError(0, "cannot write scratch files in " + dir_.string());
}

std::string ReportOverview::PageOf(const std::string& program) {
  Program& p = programs_[program];
  if (p.number == 0) p.number = static_cast<uint32_t>(programs_.size());
  return "software/" + std::to_string(p.number) + ".html";
}

void ReportOverview::KeepTop(std::vector<Drive>& list, Drive d, bool (*before)(const Drive&, const Drive&)) {
  list.push_back(std::move(d));
  std::stable_sort(list.begin(), list.end(), before);
  if (list.size() > kTopDrives) list.pop_back();
}

void ReportOverview::Add(const ComputerRows& c, const std::string& page) {
  const AssetRow& a = c.asset;
  const std::string name = Text(a[asset::kComputer]);
  const uint32_t index = static_cast<uint32_t>(computerPageAt_.size());
  computerPageAt_.push_back({computerPages_.size(), static_cast<uint32_t>(name.size()), static_cast<uint32_t>(page.size())});
  computerPages_.append(name).append(page);
  ++computers_;
  problems_.Add(c, page);
  const std::string os =
      ShortOsName(NamedWindowsVersion(UnpinnedText(a[asset::kOSCaption])), UnpinnedText(a[asset::kCSDVersion]));
  ++systems_[os.empty() ? "unknown" : os];
  const double memory = Number(a[asset::kTotalPhysicalMemory]);
  const std::string memoryClass = MemoryClass(memory), processorClass = ProcessorClass(a);
  ++memory_[memoryClass];
  ++processors_[processorClass];

  for (const StoredDrive& d : a.Drives()) {
    const double size = Number(d.size);
    if (size <= 0) continue;
    // A CD is always full and a USB stick as full as what was last copied to it.
    if (KindOfDrive(d.letter, Text(d.fileSystem)) != DriveKind::Fixed) {
      ++removableDrives_;
      continue;
    }
    const double free = Number(d.freeSpace);
    KeepTop(fullest_, Drive{name, page, d.letter, free, size, 0},
            [](const Drive& x, const Drive& y) { return x.free / x.size < y.free / y.size; });
  }
  for (const DriveSeries& d : c.drives) {
    const std::vector<FreeSpacePoint> points = ParseDiskHistory(d.history);
    const std::optional<double> trend = FreeSpaceTrend(points);
    if (!trend || *trend >= 0) continue;
    if (KindOfDrive(d.letter, Text(a.Drive(d.letter).fileSystem)) != DriveKind::Fixed) continue;
    double lastFree = 0;
    for (const auto& p : points) {
      if (p.valid) lastFree = p.megabytes;
    }
    const double size = Number(a.Drive(d.letter).size);
    KeepTop(fastest_, Drive{name, page, d.letter, lastFree, size, -*trend},
            // The soonest full first: a small drive losing little can be closer to full
            // than a large one losing much.
            [](const Drive& x, const Drive& y) { return x.free / x.perDay < y.free / y.perDay; });
  }
  for (const SoftwareEntry& s : c.Software()) {
    if (s.Program.empty()) continue;
    if (std::string kb = UpdateKey(s.Program); !kb.empty()) {
      Update& u = updates_[kb];
      if (u.name.empty()) u.name = s.Program;
      if (u.lastComputer != index) ++u.computers;
      u.lastComputer = index;
      continue;
    }
    PageOf(s.Program);
    Program& p = programs_[s.Program];
    if (p.lastComputer != index) ++p.computers;
    p.lastComputer = index;
    auto [v, added] = p.versions.try_emplace(s.Version);
    if (added) v->second.id = static_cast<uint32_t>(p.versions.size());
    ++v->second.computers;
    const Link link{p.number, v->second.id, index};
    links_.write(reinterpret_cast<const char*>(&link), sizeof link);
  }

  rows_ << "<tr data-classes=\"" << Html(Unordered(memoryClass) + "; " + Unordered(processorClass)) << "\"><td><a href=\""
        << page << "\">" << Html(name) << "</a></td><td>"
        << ShownHtml(a[asset::kUserName]) << "</td><td>" << Html(os)
        << (IsPinned(a[asset::kOSCaption]) || IsPinned(a[asset::kCSDVersion]) ? kPinnedMark : "")
        << "</td><td class=\"num\" data-sort=\"" << NumberText(memory) << "\">"
        << (memory > 0 ? SizeText(memory) : "") << "</td><td>" << Html(Text(a[asset::kLastScan])) << "</td><td>"
        << (c.lastAccess ? Html(Text(*c.lastAccess)) : "") << "</td></tr>\n";
}

void ReportOverview::AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times) {
  problems_.AddLastAccess(times);
  for (const auto& [name, when] : times) {
    const std::string text = Text(when);
    const std::optional<int> day = DayNumber(text);
    std::string cls;
    if (text.empty()) {
      cls = "5 never answered";
    } else if (!day) {
      cls = "6 unreadable time";
    } else if (context_.today - *day <= 0) {
      cls = "1 answered today";
    } else if (context_.today - *day <= 7) {
      cls = "2 answered within 7 days";
    } else if (context_.today - *day <= 30) {
      cls = "3 answered within 30 days";
    } else {
      cls = "4 answered longer ago";
    }
    ++lastSeen_[cls];
  }
}

void ReportOverview::Finish() {
  rows_.close();
  problems_.Finish();
  WriteIndex();
  WriteComputerList();
  std::filesystem::remove(rowsPath_);
  WriteCensus();
}

void ReportOverview::WriteIndex() {
  std::ofstream out(dir_ / "index.html", std::ios::binary | std::ios::trunc);
  if (!out) throw RuntimeError(0, "cannot write " + (dir_ / "index.html").string());
  WritePageStart(out, context_, "Overview", "");
  std::size_t seen = 0;
  for (const auto& [cls, n] : lastSeen_) seen += n;
  out << "<p class=\"muted\">Inventory as of " << Html(context_.generated) << ".</p>\n<section class=\"cards\">\n"
      << "<div class=\"card\">Computers inventoried<div class=\"big\" id=\"computer-count\">" << computers_ << "</div></div>\n";
  for (const auto& [cls, n] : lastSeen_) {
    out << "<div class=\"card\">" << Html(cls.substr(2)) << "<div class=\"big\">" << n << "</div></div>\n";
  }
  out << "</section>\n<h2>Problems</h2>\n<section class=\"cards\">\n";
  for (const ReportProblems::Count& p : problems_.Counts()) {
    out << "<div class=\"card\"><a href=\"problems.html#" << p.anchor << "\">" << p.title << "</a><div class=\"big\">"
        << p.count << "</div></div>\n";
  }
  out << "</section>\n<div class=\"grid\">\n";
  out << "<div><h2>Last seen</h2><table>\n<tr><th>Last answer</th><th>Computers</th></tr>\n";
  for (const auto& [cls, n] : lastSeen_) {
    out << "<tr><td>" << Html(cls.substr(2)) << "</td><td class=\"num\">" << n << "</td></tr>\n";
  }
  out << "<tr><th>names ever scanned</th><td class=\"num\">" << seen << "</td></tr></table></div>\n";
  CountTable(out, "Operating systems", "System and service pack", systems_, computers_, true);
  CountTable(out, "Memory", "Installed", memory_, computers_, false);
  CountTable(out, "Processors", "Class", processors_, computers_, false);
  out << "</div>\n<div class=\"grid\">\n<div><h2>Fullest drives</h2><table>\n"
         "<tr><th>Computer</th><th>Drive</th><th>Free</th><th>Size</th><th>Used</th></tr>\n";
  for (const Drive& d : fullest_) {
    out << "<tr><td><a href=\"" << d.page << "\">" << Html(d.computer) << "</a></td><td>" << d.letter
        << ":</td><td class=\"num\">" << SizeText(d.free) << "</td><td class=\"num\">" << SizeText(d.size)
        << "</td><td><span class=\"bar full\" style=\"width:" << static_cast<int>(80 * (1 - d.free / d.size))
        << "px\"></span> " << Percent(d.size - d.free, d.size) << "</td></tr>\n";
  }
  out << "</table>";
  if (removableDrives_ > 0) {
    out << "<p class=\"muted\">" << removableDrives_
        << (removableDrives_ == 1 ? " removable or CD drive is" : " removable and CD drives are")
        << " left out of these lists: their fill follows the medium in them.</p>";
  }
  out << "</div>\n<div><h2>Full soonest at their rate</h2><table>\n"
         "<tr><th>Computer</th><th>Drive</th><th>Free now</th><th>Lost per day</th><th>Full in</th></tr>\n";
  for (const Drive& d : fastest_) {
    const std::string days = d.perDay > 0 ? DaysText(d.free / d.perDay) : "";
    out << "<tr><td><a href=\"" << d.page << "\">" << Html(d.computer) << "</a></td><td>" << d.letter
        << ":</td><td class=\"num\">" << SizeText(d.free) << "</td><td class=\"num\">" << SizeText(d.perDay)
        << "</td><td class=\"num\">" << days << "</td></tr>\n";
  }
  if (fastest_.empty()) out << "<tr><td colspan=\"5\" class=\"muted\">no drive is losing space</td></tr>\n";
  out << "</table></div>\n</div>\n<p><a href=\"computers.html\">All " << computers_
      << (computers_ == 1 ? " computer" : " computers") << "</a></p>\n";
  WritePageEnd(out);
}

void ReportOverview::WriteComputerList() {
  std::ofstream out(dir_ / "computers.html", std::ios::binary | std::ios::trunc);
  if (!out) throw RuntimeError(0, "cannot write " + (dir_ / "computers.html").string());
  WritePageStart(out, context_, "Computers", "");
  out << "<p>As CSV: <a href=\"computers.csv\">computers.csv</a>, their drives: <a href=\"drives.csv\">drives.csv</a>.</p>\n";
  out << "<table class=\"list\" id=\"computers\">\n"
         "<thead><tr><th>Computer</th><th>User</th><th>Operating system</th><th>Memory</th><th>Last scan</th>"
         "<th>Last answered</th></tr></thead>\n<tbody>\n";
  std::ifstream rows(rowsPath_, std::ios::binary);
  out << rows.rdbuf();
  out << "</tbody></table>\n";
  WriteListScript(out);
  WritePageEnd(out);
}

void ReportOverview::WriteCensus() {
  links_.close();
  std::filesystem::create_directories(dir_ / "software");
  std::ofstream out(dir_ / "software.html", std::ios::binary | std::ios::trunc);
  WritePageStart(out, context_, "Software census", "");
  out << "<p>" << programs_.size() << " applications and " << updates_.size() << " updates on " << computers_
      << " computers. <a href=\"#updates\">Updates</a> are counted by KB number below. Every program of every computer, with its location and product ID: <a href=\"software.csv.gz\">software.csv.gz</a> (compressed CSV).</p>\n<h2>Applications</h2>\n"
      << "<table class=\"list\" id=\"census\">\n<thead><tr><th>Program</th><th>Computers</th><th>Versions in use</th></tr></thead>\n<tbody>\n";
  // The program pages are written in batches of at most batchLinks_ links each.
  std::vector<std::vector<const ProgramEntry*>> batches;
  std::vector<uint32_t> batchOf(programs_.size() + 1, 0);  // by program number
  std::size_t batchLinks = 0;
  for (const auto& entry : programs_) {
    const auto& [name, p] = entry;
    out << "<tr><td><a href=\"software/" << p.number << ".html\">" << Html(name) << "</a></td><td class=\"num\">"
        << p.computers << "</td><td>";
    bool first = true;
    std::size_t links = 0;
    for (const auto& [version, v] : p.versions) {
      out << (first ? "" : ", ") << (version.empty() ? "<span class=\"muted\">none</span>" : Html(version)) << " ("
          << v.computers << ")";
      first = false;
      links += v.computers;
    }
    out << "</td></tr>\n";
    if (batches.empty() || (!batches.back().empty() && batchLinks + links > batchLinks_)) {
      batches.emplace_back();
      batchLinks = 0;
    }
    batches.back().push_back(&entry);
    batchLinks += links;
    if (p.number < batchOf.size()) batchOf[p.number] = static_cast<uint32_t>(batches.size() - 1);
  }
  out << "</tbody></table>\n<h2 id=\"updates\">Updates</h2>\n<table class=\"list\" id=\"updates-table\">\n"
         "<thead><tr><th>Update</th><th>Computers</th><th>Name</th></tr></thead>\n<tbody>\n";
  for (const auto& [kb, u] : updates_) {
    out << "<tr><td>" << Html(kb == u.name ? std::string("") : kb) << "</td><td class=\"num\">" << u.computers << "</td><td>"
        << Html(u.name) << "</td></tr>\n";
  }
  out << "</tbody></table>\n";
  WriteListScript(out);
  WritePageEnd(out);
  if (batches.size() <= 1) {
    if (!batches.empty()) WriteProgramPages(batches[0], linksPath_);
  } else {
    const std::vector<std::filesystem::path> parts = SplitLinks(batchOf, batches.size());
    for (std::size_t b = 0; b < batches.size(); ++b) {
      WriteProgramPages(batches[b], parts[b]);
      std::filesystem::remove(parts[b]);
    }
  }
  std::filesystem::remove(linksPath_);
}

// Each batch's links into a scratch file of its own, so that every link is read once
// more rather than once per batch (which grew with the square of the inventory). At most
// kOpenParts files are open at once; beyond that the links are read once per that many.
std::vector<std::filesystem::path> ReportOverview::SplitLinks(const std::vector<uint32_t>& batchOf,
                                                              std::size_t batches) {
  constexpr std::size_t kOpenParts = 128;
  std::vector<std::filesystem::path> parts;
  for (std::size_t b = 0; b < batches; ++b) parts.push_back(dir_ / (".census." + std::to_string(b) + ".part"));
  for (std::size_t from = 0; from < batches; from += kOpenParts) {
    const std::size_t to = std::min(batches, from + kOpenParts);
    std::vector<std::ofstream> files;
    for (std::size_t b = from; b < to; ++b) {
      files.emplace_back(parts[b], std::ios::binary | std::ios::trunc);
      if (!files.back()) throw RuntimeError(0, "cannot write " + parts[b].string());
    }
    std::ifstream in(linksPath_, std::ios::binary);
    Link link{};
    while (in.read(reinterpret_cast<char*>(&link), sizeof link)) {
      const std::size_t b = link.program < batchOf.size() ? batchOf[link.program] : 0;
      if (b >= from && b < to) files[b - from].write(reinterpret_cast<const char*>(&link), sizeof link);
    }
    for (std::ofstream& f : files) {
      f.close();
      if (!f) throw RuntimeError(0, "cannot write the census scratch files in " + dir_.string());
    }
  }
  return parts;
}

void ReportOverview::WriteProgramPages(const std::vector<const ProgramEntry*>& batch,
                                       const std::filesystem::path& linksPath) {
  std::map<uint32_t, std::vector<Link>> links;  // by program number
  for (const auto* entry : batch) links[entry->second.number];
  std::ifstream in(linksPath, std::ios::binary);
  Link link{};
  while (in.read(reinterpret_cast<char*>(&link), sizeof link)) {
    const auto found = links.find(link.program);
    if (found != links.end()) found->second.push_back(link);
  }
  for (const auto* entry : batch) {
    const auto& [name, p] = *entry;
    std::vector<Link>& on = links[p.number];
    // By version, each version's computers still in the order they were reported.
    std::stable_sort(on.begin(), on.end(), [](const Link& x, const Link& y) { return x.version < y.version; });
    std::ofstream page(dir_ / "software" / (std::to_string(p.number) + ".html"), std::ios::binary | std::ios::trunc);
    WritePageStart(page, context_, "Program " + name, "../", "../" + std::string(kComputersFolder));
    // A program on a few computers is where one looks for them; on thousands, a page of
    // links to each would weigh more than the computers' own pages, so their names stand
    // alone (the Computers list finds any of them).
    const bool linked = p.computers <= kLinkedComputers;
    page << "<p>On " << p.computers << (p.computers == 1 ? " computer" : " computers") << ".";
    if (!linked) page << " Open one through the <a href=\"../computers.html\">Computers</a> list.";
    page << "</p>\n";
    for (const auto& [version, v] : p.versions) {
      page << "<h2>Version " << (version.empty() ? "(none)" : Html(version)) << " (" << v.computers << ")</h2>\n<p>";
      const auto [begin, end] = std::equal_range(on.begin(), on.end(), Link{p.number, v.id, 0},
                                                 [](const Link& x, const Link& y) { return x.version < y.version; });
      for (auto l = begin; l != end; ++l) {
        const PageSpan& at = computerPageAt_[l->computer];
        const std::string computer = Html(computerPages_.substr(at.at, at.nameSize));
        if (l != begin) page << ", ";
        if (!linked) {
          page << computer;
          continue;
        }
        // Relative to the page's base, the computer pages' folder.
        page << "<a href=";
        page.write(computerPages_.data() + at.at + at.nameSize + kComputersFolder.size(), at.pageSize - kComputersFolder.size());
        page << ">" << computer << "</a>";
      }
      page << "</p>\n";
    }
    WritePageEnd(page);
  }
}

}  // namespace korvane::console

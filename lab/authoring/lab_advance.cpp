#include "lab/authoring/lab_advance.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "lab/authoring/lab_catalogue.h"
#include "lab/authoring/lab_generate.h"
#include "lab/authoring/lab_random.h"
#include "console/targets.h"

namespace korvane::console {

namespace {

const std::string kUninstallKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

Json* Child(Json& parent, const std::string& key) {
  if (!parent.IsObject()) return nullptr;
  for (auto& [k, v] : parent.members()) {
    if (k == key) return &v;
  }
  return nullptr;
}

Json* Path(Json& root, std::initializer_list<std::string> keys) {
  Json* at = &root;
  for (const auto& k : keys) {
    at = at == nullptr ? nullptr : Child(*at, k);
  }
  return at;
}

std::string TextOf(const Json* j) { return j != nullptr && j->IsString() ? j->AsString() : ""; }

uint64_t NumberOf(const Json* j) {
  if (j == nullptr) return 0;
  if (j->IsString()) {
    try {
      return std::stoull(j->AsString());
    } catch (const std::exception&) {
      return 0;
    }
  }
  return j->IsNumber() ? static_cast<uint64_t>(j->AsNumber()) : 0;
}

const OsSpec* FindOs(Json& file) {
  std::string caption = TextOf(Path(file, {"registry", "keys", "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductName"}));
  if (Json* os = Path(file, {"wmi", "classes", "Win32_OperatingSystem"}); os != nullptr && os->IsArray() && !os->items().empty()) {
    caption = TextOf(Child(os->items()[0], "Caption"));
  }
  for (const auto& spec : OperatingSystems()) {
    if (spec.caption == caption) return &spec;
  }
  return nullptr;
}

std::string OsFamilyOf(const OsSpec& os) {
  const std::string& c = os.caption;
  for (const char* f : {"Windows NT", "Windows 2000", "Windows XP", "Server 2003", "Windows Vista", "Windows 7",
                        "Server 2008 R2", "Windows 8.1", "Windows 10", "Windows 11", "Server 2019", "Server 2022"}) {
    if (c.find(f) != std::string::npos) return std::string(f).rfind("Server", 0) == 0 ? "Windows " + std::string(f) : f;
  }
  return "Windows";
}

// The next version text: the catalogue's next one, or the last number counted up.
std::string NextVersion(const std::string& name, const std::string& version, LabRandom& r) {
  for (const auto& spec : Programs()) {
    if (spec.name != name) continue;
    auto at = std::find(spec.versions.begin(), spec.versions.end(), version);
    if (at != spec.versions.end() && at + 1 != spec.versions.end()) return *(at + 1);
  }
  std::string next = version;
  std::size_t end = next.size();
  while (end > 0 && !std::isdigit(static_cast<unsigned char>(next[end - 1]))) --end;
  std::size_t start = end;
  while (start > 0 && std::isdigit(static_cast<unsigned char>(next[start - 1]))) --start;
  if (start == end) return version.empty() ? "" : version + ".1";
  const long long n = std::stoll(next.substr(start, end - start)) + r.Between(1, 3);
  return next.substr(0, start) + std::to_string(n) + next.substr(end);
}

void Note(AdvanceCounts& counts, const std::string& kind, const std::string& line) {
  ++counts.byKind[kind];
  if (!line.empty()) counts.notable.push_back(line);
}

void ChangeDisks(Json& file, const std::string& name, LabRandom& r, AdvanceCounts& counts) {
  Json* disks = Path(file, {"wmi", "classes", "Win32_LogicalDisk"});
  Json* shares = Child(file, "shares");
  auto setFree = [&](const std::string& caption, uint64_t size, uint64_t free, Json* disk) {
    if (disk != nullptr) disk->Set("FreeSpace", std::to_string(free));
    if (shares != nullptr && shares->IsObject()) {
      for (auto& [k, v] : shares->members()) {
        if (!k.empty() && std::toupper(static_cast<unsigned char>(k[0])) == caption[0] && v.IsObject()) {
          v.Set("free", free);
          if (NumberOf(Child(v, "total")) == 0) v.Set("total", size);
        }
      }
    }
  };
  // Disks known to WMI, or else only through their shares.
  std::vector<std::pair<std::string, Json*>> fixed;
  if (disks != nullptr && disks->IsArray()) {
    for (Json& d : disks->items()) {
      if (NumberOf(Child(d, "DriveType")) == 3 || (Child(d, "DriveType") == nullptr && NumberOf(Child(d, "Size")) > 0)) {
        fixed.emplace_back(TextOf(Child(d, "Caption")), &d);
      }
    }
  } else if (shares != nullptr && shares->IsObject()) {
    for (auto& [k, v] : shares->members()) fixed.emplace_back(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(k[0])))) + ":", nullptr);
  }
  for (auto& [caption, disk] : fixed) {
    if (caption.empty()) continue;
    uint64_t size = disk != nullptr ? NumberOf(Child(*disk, "Size")) : 0;
    uint64_t free = disk != nullptr ? NumberOf(Child(*disk, "FreeSpace")) : 0;
    if (disk == nullptr && shares != nullptr) {
      for (auto& [k, v] : shares->members()) {
        if (std::toupper(static_cast<unsigned char>(k[0])) == caption[0]) {
          size = NumberOf(Child(v, "total"));
          free = NumberOf(Child(v, "free"));
        }
      }
    }
    if (size == 0) continue;
    double share = static_cast<double>(free) / static_cast<double>(size);
    const double roll = r.Unit();
    if (roll < 0.04) {
      share += 0.1 + r.Unit() * 0.2;  // a clean-up
      Note(counts, "disk emptied", name + ": " + caption + " cleaned up");
    } else if (roll < 0.07) {
      share -= 0.08 + r.Unit() * 0.12;  // a large copy
      Note(counts, "disk filled", name + ": " + caption + " filled");
    } else {
      share -= (r.Unit() - 0.3) * 0.015;  // everyday growth
      Note(counts, "disk drift", "");
    }
    share = std::clamp(share, 0.004, 0.98);
    setFree(caption, size, static_cast<uint64_t>(share * static_cast<double>(size)) / 4096 * 4096, disk);
  }
}

void ChangePrograms(Json& file, const std::string& name, const OsSpec* os, LabRandom& r, uint64_t salt,
                    AdvanceCounts& counts) {
  Json* keys = Path(file, {"registry", "keys"});
  if (keys == nullptr || !keys->IsObject() || os == nullptr) return;
  auto& members = keys->members();
  std::set<std::string> names;
  std::vector<std::size_t> products;
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (members[i].first.rfind(kUninstallKey, 0) != 0) continue;
    const std::string display = TextOf(Child(members[i].second, "DisplayName"));
    names.insert(display);
    if (!display.empty()) products.push_back(i);
  }
  auto install = [&](const LabProgram& p) {
    Json entry = Json::MakeObject();
    entry.Set("DisplayName", p.name);
    if (!p.version.empty()) entry.Set("DisplayVersion", p.version);
    if (!p.location.empty()) entry.Set("InstallLocation", p.location);
    if (!p.productId.empty()) entry.Set("ProductID", p.productId);
    entry.Set("Publisher", p.publisher);
    if (!p.uninstall.empty()) {
      Json command = Json::MakeObject();
      command.Set("type", "REG_EXPAND_SZ").Set("data", p.uninstall);
      entry.Set("UninstallString", command);
    }
    keys->Set(kUninstallKey + p.key, entry);
    names.insert(p.name);
  };
  if (r.Chance(0.15)) {
    std::vector<const ProgramSpec*> candidates;
    for (const auto& spec : Programs()) {
      if (spec.firstEra <= os->era && os->era <= spec.lastEra && !names.count(spec.name)) candidates.push_back(&spec);
    }
    if (!candidates.empty()) {
      const ProgramSpec& spec = *r.Pick(candidates);
      const LabProgram p = MakeProgram(spec, spec.versions.size() - 1, salt ^ 0x51);
      install(p);
      Note(counts, "installed", name + ": installed " + p.name + " " + p.version);
    }
  }
  if (r.Chance(0.3)) {
    const int n = static_cast<int>(r.Between(1, 3));
    for (int i = 0; i < n; ++i) {
      const LabProgram p = MakeUpdate(os->era, OsFamilyOf(*os), salt + static_cast<uint64_t>(i) * 7919);
      if (names.count(p.name) || Child(*keys, kUninstallKey + p.key) != nullptr) continue;
      install(p);
      Note(counts, "update installed", "");
    }
  }
  if (r.Chance(0.12) && !products.empty()) {
    const std::size_t at = r.Pick(products);
    Json& entry = members[at].second;
    const std::string display = TextOf(Child(entry, "DisplayName"));
    const std::string version = TextOf(Child(entry, "DisplayVersion"));
    const std::string next = NextVersion(display, version, r);
    if (!next.empty() && next != version) {
      entry.Set("DisplayVersion", next);
      Note(counts, "upgraded", name + ": upgraded " + display + " " + version + " to " + next);
    }
  }
  if (r.Chance(0.07) && !products.empty()) {
    const std::size_t at = r.Pick(products);
    const std::string display = TextOf(Child(members[at].second, "DisplayName"));
    members.erase(members.begin() + static_cast<long>(at));
    Note(counts, "removed", name + ": removed " + display);
  }
}

void ChangeHardware(Json& file, const std::string& name, const OsSpec* os, LabRandom& r, AdvanceCounts& counts) {
  Json* system = Path(file, {"wmi", "classes", "Win32_ComputerSystem"});
  Json* first = system != nullptr && system->IsArray() && !system->items().empty() ? &system->items()[0] : nullptr;
  if (first != nullptr && r.Chance(0.02)) {
    const uint64_t memory = NumberOf(Child(*first, "TotalPhysicalMemory"));
    if (memory > 0) {
      first->Set("TotalPhysicalMemory", std::to_string(memory * 2));
      Note(counts, "memory upgraded", name + ": memory " + std::to_string(memory / 1048576) + " MB to " +
                                          std::to_string(memory * 2 / 1048576) + " MB");
    }
  }
  Json* cpus = Path(file, {"wmi", "classes", "Win32_Processor"});
  if (cpus != nullptr && cpus->IsArray() && !cpus->items().empty() && os != nullptr && r.Chance(0.015)) {
    const std::string old = TextOf(Child(cpus->items()[0], "Name"));
    std::vector<const CpuSpec*> faster;
    for (const auto& cpu : Processors()) {
      if (cpu.firstEra <= os->era && os->era <= cpu.lastEra && cpu.name != old) faster.push_back(&cpu);
    }
    if (!faster.empty()) {
      const CpuSpec& cpu = *r.Pick(faster);
      for (Json& item : cpus->items()) item.Set("Name", cpu.name).Set("CurrentClockSpeed", cpu.mhz).Set("MaxClockSpeed", cpu.mhz);
      Note(counts, "processor changed", name + ": processor " + old + " to " + cpu.name);
    }
  }
  // A drive gone: a data, removable or network drive taken out.
  Json* disks = Path(file, {"wmi", "classes", "Win32_LogicalDisk"});
  if (disks != nullptr && disks->IsArray() && r.Chance(0.012)) {
    std::vector<std::size_t> removable;
    for (std::size_t i = 0; i < disks->items().size(); ++i) {
      const std::string caption = TextOf(Child(disks->items()[i], "Caption"));
      if (!caption.empty() && caption[0] > 'C' && NumberOf(Child(disks->items()[i], "Size")) > 0) removable.push_back(i);
    }
    if (!removable.empty()) {
      const std::size_t at = r.Pick(removable);
      const std::string caption = TextOf(Child(disks->items()[at], "Caption"));
      disks->items().erase(disks->items().begin() + static_cast<long>(at));
      if (Json* shares = Child(file, "shares"); shares != nullptr && shares->IsObject()) {
        auto& m = shares->members();
        m.erase(std::remove_if(m.begin(), m.end(), [&](const auto& member) {
                  return !member.first.empty() && std::toupper(static_cast<unsigned char>(member.first[0])) == caption[0];
                }), m.end());
      }
      Note(counts, "drive vanished", name + ": drive " + caption + " gone");
    }
  }
  if (first != nullptr && r.Chance(0.01)) {
    const std::string old = TextOf(Child(*first, "Name"));
    if (!old.empty() && old == name) {
      const std::string renamed = old + "-" + r.Pick(std::vector<std::string>{"NEW", "B", "2", "X"});
      first->Set("Name", renamed);
      Note(counts, "renamed", name + ": WMI now reports the name " + renamed);
    }
  }
}

void ChangeUsers(Json& file, const std::string& name, LabRandom& r, AdvanceCounts& counts) {
  if (!r.Chance(0.15)) return;
  Json* logons = Child(file, "logons");
  if (logons == nullptr || !logons->IsObject()) return;
  Json* system = Path(file, {"wmi", "classes", "Win32_ComputerSystem"});
  Json* first = system != nullptr && system->IsArray() && !system->items().empty() ? &system->items()[0] : nullptr;
  std::string domain = "CORP";
  if (Json* entries = Child(*logons, "entries"); entries != nullptr && entries->IsArray() && !entries->items().empty()) {
    domain = TextOf(Child(entries->items()[0], "domain"));
  }
  Json entries = Json::MakeArray();
  std::string console;
  const int users = static_cast<int>(r.Weighted({0.25, 0.6, 0.15}));
  for (int i = 0; i < users; ++i) {
    const std::string user = r.Pick(FirstNames()).substr(0, 1) + r.Pick(LastNames());
    Json e = Json::MakeObject();
    e.Set("user", user).Set("domain", domain);
    entries.Push(e);
    if (console.empty()) console = domain + "\\" + user;
  }
  logons->Set("entries", entries);
  if (first != nullptr) first->Set("UserName", console.empty() ? Json() : Json(console));
  Note(counts, "user changed", name + ": user now " + (console.empty() ? std::string("nobody") : console));
}

}  // namespace

void AdvanceComputer(Json& file, const std::string& name, uint64_t seed, int day, AdvanceCounts& counts) {
  if (!file.IsObject()) return;
  const uint64_t salt = StableHash(name + "/" + std::to_string(day), seed * 0x9E3779B97F4A7C15ULL + 1);
  LabRandom r(salt);
  const OsSpec* os = FindOs(file);
  ChangeDisks(file, name, r, counts);
  ChangePrograms(file, name, os, r, salt, counts);
  ChangeHardware(file, name, os, r, counts);
  ChangeUsers(file, name, r, counts);
}

AdvanceCounts AdvanceLab(const std::string& directory, int days, const uint64_t* seed) {
  namespace fs = std::filesystem;
  const std::vector<std::string> names = LabComputers(directory);
  std::vector<std::pair<std::string, Json>> files;
  uint64_t contentSeed = 1469598103934665603ULL;
  for (const auto& name : names) {
    const std::string path = (fs::path(directory) / (name + ".json")).string();
    const std::string text = ReadTextFile(path);
    contentSeed = StableHash(text, contentSeed);
    JsonError error;
    std::optional<Json> parsed = ParseJson(text, &error);
    if (!parsed) throw std::runtime_error(path + ": " + error.ToString());
    files.emplace_back(path, std::move(*parsed));
  }
  const uint64_t useSeed = seed != nullptr ? *seed : contentSeed;
  AdvanceCounts counts;
  for (int day = 1; day <= days; ++day) {
    for (std::size_t i = 0; i < files.size(); ++i) AdvanceComputer(files[i].second, names[i], useSeed, day, counts);
  }
  for (const auto& [path, json] : files) WriteTextFile(path, Dump(json, true) + "\n");
  return counts;
}

}  // namespace korvane::console

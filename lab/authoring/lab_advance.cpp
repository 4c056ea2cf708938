#include "lab/authoring/lab_advance.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>

#include "lab/authoring/lab_catalogue.h"
#include "lab/authoring/lab_generate.h"
#include "lab/authoring/lab_random.h"
#include "lab/model/lab_keys.h"
#include "lab/model/lab_store.h"

namespace korvane::lab::authoring {

namespace {

uint64_t NumberOf(const Variant* v) {
  if (v == nullptr) return 0;
  switch (v->kind()) {
    case Variant::Kind::Text:
      try {
        return std::stoull(v->text());
      } catch (const std::exception&) {
        return 0;
      }
    case Variant::Kind::Long: return v->long_value() < 0 ? 0 : static_cast<uint64_t>(v->long_value());
    case Variant::Kind::Double: return v->double_value() < 0 ? 0 : static_cast<uint64_t>(v->double_value());
    default: return 0;
  }
}

std::vector<WmiInstance>* Instances(LabComputer& c, std::string_view wmiClass) {
  if (!c.wmi) return nullptr;
  WmiClass* found = c.wmi->Find(wmiClass);
  return found == nullptr ? nullptr : &found->instances;
}

WmiInstance* FirstInstance(LabComputer& c, std::string_view wmiClass) {
  std::vector<WmiInstance>* instances = Instances(c, wmiClass);
  return instances == nullptr || instances->empty() ? nullptr : &instances->front();
}

const OsSpec* FindOs(LabComputer& c) {
  std::string caption;
  if (c.registry) {
    if (const RegistryNode* current = c.registry->Find(keys::kCurrentVersionKey)) {
      if (const RegistryValue* product = current->FindValue("ProductName")) caption = product->AsText();
    }
  }
  if (const WmiInstance* os = FirstInstance(c, "Win32_OperatingSystem")) caption = os->Text("Caption");
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

// The administrative share of a drive letter, or nullptr.
ShareSpace* ShareOf(LabComputer& c, char letter) {
  auto found = c.shares.find(FoldCase(std::string(1, letter) + "$"));
  return found == c.shares.end() ? nullptr : &found->second;
}

void ChangeDisks(LabComputer& c, LabRandom& r, AdvanceCounts& counts) {
  // Disks known to WMI, or else only through their shares.
  std::vector<std::pair<std::string, WmiInstance*>> fixed;
  if (std::vector<WmiInstance>* disks = Instances(c, "Win32_LogicalDisk")) {
    for (WmiInstance& d : *disks) {
      if (NumberOf(d.Get("DriveType")) == 3 || (d.Get("DriveType") == nullptr && NumberOf(d.Get("Size")) > 0)) {
        fixed.emplace_back(d.Text("Caption"), &d);
      }
    }
  } else {
    for (auto& [folded, share] : c.shares) {
      fixed.emplace_back(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(folded[0])))) + ":",
                         nullptr);
    }
  }
  for (auto& [caption, disk] : fixed) {
    if (caption.empty()) continue;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[0])));
    ShareSpace* share = ShareOf(c, letter);
    uint64_t size = disk != nullptr ? NumberOf(disk->Get("Size")) : (share ? share->total : 0);
    const uint64_t free = disk != nullptr ? NumberOf(disk->Get("FreeSpace")) : (share ? share->free : 0);
    if (size == 0) continue;
    double part = static_cast<double>(free) / static_cast<double>(size);
    const double roll = r.Unit();
    if (roll < 0.04) {
      part += 0.1 + r.Unit() * 0.2;  // a clean-up
      Note(counts, "disk emptied", c.fileName + ": " + caption + " cleaned up");
    } else if (roll < 0.07) {
      part -= 0.08 + r.Unit() * 0.12;  // a large copy
      Note(counts, "disk filled", c.fileName + ": " + caption + " filled");
    } else {
      part -= (r.Unit() - 0.3) * 0.015;  // everyday growth
      Note(counts, "disk drift", "");
    }
    part = std::clamp(part, 0.004, 0.98);
    const uint64_t newFree = static_cast<uint64_t>(part * static_cast<double>(size)) / 4096 * 4096;
    if (disk != nullptr) disk->Set("FreeSpace", std::to_string(newFree));
    if (share != nullptr) {
      share->free = share->available = newFree;
      if (share->total == 0) share->total = size;
    }
  }
}

void ChangePrograms(LabComputer& c, const OsSpec* os, LabRandom& r, uint64_t salt, AdvanceCounts& counts) {
  if (!c.registry || os == nullptr) return;
  RegistryConfig& registry = *c.registry;
  // A 64-bit computer's programs are in two views: its own and the 32-bit one.
  const bool sixtyFourBit = registry.Find(keys::kWow64Key) != nullptr;
  std::set<std::string> names;
  struct Product {
    std::string_view view;  // the Uninstall key holding it
    std::string key;
  };
  std::vector<Product> products;  // subkeys with a display name
  for (const std::string_view view : {keys::kUninstallKey, keys::kUninstall32Key}) {
    const RegistryNode* uninstall = registry.Find(view);
    if (uninstall == nullptr) continue;
    for (const auto& entry : uninstall->subkeys()) {
      const RegistryValue* display = entry->FindValue("DisplayName");
      const std::string name = display ? display->AsText() : std::string();
      names.insert(name);
      if (!name.empty()) products.push_back({view, entry->name});
    }
  }
  auto install = [&](const LabProgram& p, std::string_view view) {
    InstallProgram(registry, p, view);
    names.insert(p.name);
  };
  if (r.Chance(0.15)) {
    // On a 64-bit computer some new programs are 32-bit ones, decided apart from the
    // day's other draws so that a 32-bit computer's days stay what they were.
    const bool thirtyTwo = sixtyFourBit && LabRandom(salt ^ 0x3264).Chance(0.4);
    std::vector<const ProgramSpec*> candidates;
    for (const auto& spec : thirtyTwo ? ThirtyTwoBitPrograms() : Programs()) {
      if (spec.firstEra <= os->era && os->era <= spec.lastEra && !names.count(spec.name)) candidates.push_back(&spec);
    }
    if (!candidates.empty()) {
      const ProgramSpec& spec = *r.Pick(candidates);
      const LabProgram p = MakeProgram(spec, spec.versions.size() - 1, salt ^ 0x51);
      install(p, thirtyTwo ? keys::kUninstall32Key : keys::kUninstallKey);
      Note(counts, "installed", c.fileName + ": installed " + p.name + " " + p.version + (thirtyTwo ? " (32-bit)" : ""));
    }
  }
  if (r.Chance(0.3)) {
    const int n = static_cast<int>(r.Between(1, 3));
    for (int i = 0; i < n; ++i) {
      const LabProgram p = MakeUpdate(os->era, OsFamilyOf(*os), salt + static_cast<uint64_t>(i) * 7919);
      const RegistryNode* uninstall = registry.Find(keys::kUninstallKey);
      if (names.count(p.name) || (uninstall != nullptr && uninstall->FindSubkey(p.key) != nullptr)) continue;
      install(p, keys::kUninstallKey);
      Note(counts, "update installed", "");
    }
  }
  if (r.Chance(0.12) && !products.empty()) {
    const Product& product = r.Pick(products);
    RegistryNode* uninstall = registry.Find(product.view);
    RegistryNode* entry = uninstall ? uninstall->FindSubkey(product.key) : nullptr;
    const RegistryValue* displayValue = entry ? entry->FindValue("DisplayName") : nullptr;
    const RegistryValue* versionValue = entry ? entry->FindValue("DisplayVersion") : nullptr;
    const std::string display = displayValue ? displayValue->AsText() : std::string();
    const std::string version = versionValue ? versionValue->AsText() : std::string();
    const std::string next = NextVersion(display, version, r);
    if (entry != nullptr && !next.empty() && next != version) {
      entry->SetValue(RegistryValue::Text("DisplayVersion", next));
      Note(counts, "upgraded", c.fileName + ": upgraded " + display + " " + version + " to " + next);
    }
  }
  if (r.Chance(0.07) && !products.empty()) {
    const Product& product = r.Pick(products);
    RegistryNode* uninstall = registry.Find(product.view);
    const RegistryNode* entry = uninstall ? uninstall->FindSubkey(product.key) : nullptr;
    const RegistryValue* display = entry ? entry->FindValue("DisplayName") : nullptr;
    const std::string name = display ? display->AsText() : std::string();
    if (uninstall != nullptr) uninstall->RemoveSubkey(product.key);
    Note(counts, "removed", c.fileName + ": removed " + name);
  }
}

void ChangeHardware(LabComputer& c, const OsSpec* os, LabRandom& r, AdvanceCounts& counts) {
  WmiInstance* system = FirstInstance(c, "Win32_ComputerSystem");
  if (system != nullptr && r.Chance(0.02)) {
    const uint64_t memory = NumberOf(system->Get("TotalPhysicalMemory"));
    if (memory > 0) {
      system->Set("TotalPhysicalMemory", std::to_string(memory * 2));
      Note(counts, "memory upgraded", c.fileName + ": memory " + std::to_string(memory / 1048576) + " MB to " +
                                          std::to_string(memory * 2 / 1048576) + " MB");
    }
  }
  std::vector<WmiInstance>* cpus = Instances(c, "Win32_Processor");
  if (cpus != nullptr && !cpus->empty() && os != nullptr && r.Chance(0.015)) {
    const std::string old = cpus->front().Text("Name");
    std::vector<const CpuSpec*> faster;
    for (const auto& cpu : Processors()) {
      if (cpu.firstEra <= os->era && os->era <= cpu.lastEra && cpu.name != old) faster.push_back(&cpu);
    }
    if (!faster.empty()) {
      const CpuSpec& cpu = *r.Pick(faster);
      for (WmiInstance& item : *cpus) item.Set("Name", cpu.name).Set("CurrentClockSpeed", cpu.mhz).Set("MaxClockSpeed", cpu.mhz);
      Note(counts, "processor changed", c.fileName + ": processor " + old + " to " + cpu.name);
    }
  }
  // A drive gone: a data, removable or network drive taken out.
  std::vector<WmiInstance>* disks = Instances(c, "Win32_LogicalDisk");
  if (disks != nullptr && r.Chance(0.012)) {
    std::vector<std::size_t> removable;
    for (std::size_t i = 0; i < disks->size(); ++i) {
      const std::string caption = (*disks)[i].Text("Caption");
      if (!caption.empty() && caption[0] > 'C' && NumberOf((*disks)[i].Get("Size")) > 0) removable.push_back(i);
    }
    if (!removable.empty()) {
      const std::size_t at = r.Pick(removable);
      const std::string caption = (*disks)[at].Text("Caption");
      disks->erase(disks->begin() + static_cast<std::ptrdiff_t>(at));
      c.shares.erase(FoldCase(caption.substr(0, 1) + "$"));
      Note(counts, "drive vanished", c.fileName + ": drive " + caption + " gone");
    }
  }
  if (system != nullptr && r.Chance(0.02)) {
    const std::string old = system->Text("Name");
    if (!old.empty() && old == c.fileName) {
      const std::string renamed = old + "-" + r.Pick(std::vector<std::string>{"NEW", "B", "2", "X"});
      system->Set("Name", renamed);
      Note(counts, "renamed", c.fileName + ": WMI now reports the name " + renamed);
    }
  }
}

void ChangeUsers(LabComputer& c, LabRandom& r, AdvanceCounts& counts) {
  if (!r.Chance(0.15) || !c.logons) return;
  WmiInstance* system = FirstInstance(c, "Win32_ComputerSystem");
  std::string domain = "CORP";
  if (!c.logons->entries.empty()) domain = c.logons->entries.front().logonDomain;
  std::vector<WkstaUserInfo1> entries;
  std::string console;
  const int users = static_cast<int>(r.Weighted({0.25, 0.6, 0.15}));
  for (int i = 0; i < users; ++i) {
    const std::string user = r.Pick(FirstNames()).substr(0, 1) + r.Pick(LastNames());
    entries.push_back(WkstaUserInfo1{user, domain, "", ""});
    if (console.empty()) console = domain + "\\" + user;
  }
  c.logons->entries = std::move(entries);
  if (system != nullptr) system->Set("UserName", console.empty() ? Variant::Null() : Variant(console));
  Note(counts, "user changed", c.fileName + ": user now " + (console.empty() ? std::string("nobody") : console));
}

// Long absences: a computer that answers is switched off or carried away now and then and
// comes back days or weeks later. Computers that never answered (no WMI data at all) stay
// away. A draw of its own, so that the other changes of the day stay as they were.
void ChangeReachability(LabComputer& c, uint64_t salt, AdvanceCounts& counts) {
  LabRandom r(StableHash("reachability", salt));
  const bool known = FirstInstance(c, "Win32_ComputerSystem") != nullptr;
  if (!known) return;
  if (c.echo.answers && r.Chance(0.02)) {
    c.echo.answers = false;
    Note(counts, "went offline", c.fileName + ": no longer answers");
  } else if (!c.echo.answers && r.Chance(0.08)) {
    c.echo.answers = true;
    Note(counts, "back online", c.fileName + ": answers again");
  }
}

}  // namespace

void AdvanceComputer(LabComputer& computer, uint64_t seed, int day, AdvanceCounts& counts) {
  const uint64_t salt = StableHash(computer.fileName + "/" + std::to_string(day), seed * 0x9E3779B97F4A7C15ULL + 1);
  LabRandom r(salt);
  const OsSpec* os = FindOs(computer);
  ChangeDisks(computer, r, counts);
  ChangePrograms(computer, os, r, salt, counts);
  ChangeHardware(computer, os, r, counts);
  ChangeUsers(computer, r, counts);
  ChangeReachability(computer, salt, counts);
}

AdvanceCounts AdvanceLab(const std::string& directory, int days, const uint64_t* seed) {
  const LabStore store(directory);
  const std::vector<ComputerFile> files = store.List().computers;
  std::vector<LabComputer> computers;
  uint64_t contentSeed = 1469598103934665603ULL;
  for (const ComputerFile& file : files) {
    const std::string text = store.Read(file);
    contentSeed = StableHash(text, contentSeed);
    std::string problem;
    std::unique_ptr<LabComputer> computer = ReadComputerFile(file.name, text, problem);
    if (!computer) throw std::runtime_error(file.path + ": " + problem);
    computers.push_back(std::move(*computer));
  }
  const uint64_t useSeed = seed != nullptr ? *seed : contentSeed;
  AdvanceCounts counts;
  for (int day = 1; day <= days; ++day) {
    for (LabComputer& computer : computers) AdvanceComputer(computer, useSeed, day, counts);
  }
  // Each computer back into the file it came from, whatever the letter case of its name.
  for (std::size_t i = 0; i < files.size(); ++i) {
    store.Write(files[i], DumpLabJson(WriteComputer(computers[i]), true) + "\n");
  }
  return counts;
}

}  // namespace korvane::lab::authoring

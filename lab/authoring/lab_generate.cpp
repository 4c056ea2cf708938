#include "lab/authoring/lab_generate.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "lab/authoring/lab_random.h"
#include "lab/authoring/machine_draw.h"
#include "lab/model/lab_keys.h"

namespace korvane::lab::authoring {

namespace {

constexpr uint64_t kMB = 1024ULL * 1024ULL;
constexpr uint64_t kGB = 1024ULL * kMB;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Pad3(int n) {
  std::string t = std::to_string(n);
  while (t.size() < 3) t = "0" + t;
  return t;
}

std::string OsFamily(const OsSpec& os) {
  // "Microsoft Windows XP Professional" -> "Windows XP"
  static const char* kFamilies[] = {"Windows NT", "Windows 2000", "Windows XP", "Windows Server 2003",
                                    "Windows Vista", "Windows 7", "Windows Server 2008 R2", "Windows 8.1",
                                    "Windows 10", "Windows 11", "Windows Server 2019", "Windows Server 2022"};
  std::string caption = os.caption;
  for (const std::string remove : {"(R)"}) {
    for (auto at = caption.find(remove); at != std::string::npos; at = caption.find(remove)) caption.erase(at, remove.size());
  }
  for (const char* family : kFamilies) {
    if (caption.find(family) != std::string::npos) return family;
  }
  return "Windows";
}

template <class T>
std::vector<const T*> OfEra(const std::vector<T>& all, int era) {
  std::vector<const T*> found;
  for (const T& item : all) {
    if (item.firstEra <= era && era <= item.lastEra) found.push_back(&item);
  }
  return found;
}

void AddDrive(MachineDraw& c, LabRandom& r, char letter, int type, uint64_t size, double usedShare,
              const std::string& fileSystem, const std::string& volume) {
  DriveDraw d;
  d.caption = std::string(1, letter) + ":";
  d.driveType = type;
  d.fileSystem = fileSystem;
  d.volumeName = volume;
  d.serial = r.Hex(8);
  d.size = size;
  const double used = std::clamp(usedShare, 0.02, 0.995);
  d.free = static_cast<uint64_t>(static_cast<double>(size) * (1.0 - used)) / 4096 * 4096;
  c.drives.push_back(d);
}

void AddEmptyDrive(MachineDraw& c, char letter, int type) {
  DriveDraw d;
  d.caption = std::string(1, letter) + ":";
  d.driveType = type;
  d.hasMedia = false;
  c.drives.push_back(d);
}

void MakeDrives(MachineDraw& c, LabRandom& r, int era, bool server) {
  static const double kSystemGb[kEraCount][2] = {{1, 8}, {8, 40}, {40, 160}, {160, 1000}, {128, 2000}};
  char next = 'D';
  if (era <= 2 && !server && r.Chance(0.7)) AddEmptyDrive(c, 'A', 2);
  const double gb = kSystemGb[era][0] + r.Unit() * (kSystemGb[era][1] - kSystemGb[era][0]);
  std::string systemFs = "NTFS";
  if (era == 0 && r.Chance(0.3)) systemFs = "FAT";
  if ((era == 1 || era == 2) && r.Chance(0.15)) systemFs = "FAT32";
  AddDrive(c, r, 'C', 3, static_cast<uint64_t>(gb * static_cast<double>(kGB)) / kMB * kMB, 0.2 + r.Unit() * 0.75,
           systemFs, r.Chance(0.5) ? "" : (r.Chance(0.5) ? "SYSTEM" : "OS"));
  const int dataDrives = server ? static_cast<int>(r.Between(1, 5)) : (r.Chance(0.25) ? 1 : 0);
  for (int i = 0; i < dataDrives; ++i) {
    const double dataGb = gb * (0.5 + r.Unit() * 3);
    AddDrive(c, r, next++, 3, static_cast<uint64_t>(dataGb * static_cast<double>(kGB)) / kMB * kMB,
             0.1 + r.Unit() * 0.85, "NTFS", server ? "DATA" + std::to_string(i + 1) : "DATA");
  }
  if (r.Chance(era <= 3 ? 0.8 : 0.3)) {
    if (r.Chance(0.15)) {
      AddDrive(c, r, next++, 5, static_cast<uint64_t>(r.Between(300, 700)) * kMB, 1.0, "CDFS",
               r.Pick(std::vector<std::string>{"OFFICE11", "WINXP_PRO", "DRIVERS", "AUDIO_CD"}));
      c.drives.back().free = 0;
    } else {
      AddEmptyDrive(c, next++, 5);
    }
  }
  if (!server && era >= 2 && r.Chance(0.12)) {
    AddDrive(c, r, next++, 2, static_cast<uint64_t>(r.Pick(std::vector<int>{1, 2, 4, 8, 16, 32, 64})) * kGB,
             r.Unit(), "FAT32", r.Chance(0.5) ? "USB STICK" : "KINGSTON");
  }
  if (r.Chance(0.3)) {
    // Mapped network drives, mostly beyond J:.
    for (char letter : std::string("HKMPSZ")) {
      if (letter < next || !r.Chance(0.35)) continue;
      AddDrive(c, r, letter, 4, static_cast<uint64_t>(r.Between(100, 4000)) * kGB, r.Unit(), "NTFS",
               letter == 'H' ? "home" : "shared");
    }
  }
}

LabProgram FromSpec(const ProgramSpec& spec, std::size_t versionIndex, LabRandom& r) {
  LabProgram p;
  p.name = spec.name;
  p.publisher = spec.publisher;
  p.version = spec.versions[std::min(versionIndex, spec.versions.size() - 1)];
  p.location = spec.location;
  if (spec.productId) p.productId = r.Digits(5) + "-" + r.Digits(3) + "-" + r.Digits(7) + "-" + r.Digits(5);
  if (spec.installer) {
    p.key = r.Guid();
    p.uninstall = "MsiExec.exe /I" + p.key;
  } else {
    p.key = spec.name;
    std::string exe = spec.location.empty() ? "C:\\Program Files\\" + spec.name + "\\" : spec.location;
    if (exe.back() != '\\') exe += '\\';
    p.uninstall = "\"" + exe + "uninstall.exe\"";
  }
  return p;
}

// The updates of one system family come from one catalogue shared by every computer, as
// a real network's do: a few hundred numbers per family, each always with the same name.
constexpr int kUpdatesPerFamily = 300;

LabProgram UpdateEntry(int era, const std::string& family, LabRandom& r) {
  LabProgram p;
  const int64_t slot = r.Between(0, kUpdatesPerFamily - 1);
  LabRandom catalogue(StableHash(family + "/" + std::to_string(era) + "/" + std::to_string(slot)));
  const std::string kb = era == 0 || era == 1 ? "Q" + catalogue.Digits(6)
                                              : "KB" + std::to_string(catalogue.Between(800000, 5039999));
  const double pick = catalogue.Unit();
  if (pick < 0.6) {
    p.name = (era <= 1 ? "Windows " + family.substr(family.find(' ') + 1) + " Hotfix - " + kb
                       : "Security Update for " + family + " (" + kb + ")");
  } else if (pick < 0.85) {
    p.name = "Update for " + family + " (" + kb + ")";
  } else {
    p.name = "Hotfix for " + family + " (" + kb + ")";
  }
  p.key = kb;
  p.publisher = "Microsoft Corporation";
  if (era <= 2) {
    p.uninstall = "\"C:\\WINDOWS\\$NtUninstall" + kb + "$\\spuninst\\spuninst.exe\"";
  } else {
    const std::string product = r.Guid();
    p.uninstall = "\"C:\\Windows\\system32\\msiexec.exe\" /package " + product + " /uninstall " + r.Guid();
    p.version = "1";
  }
  return p;
}

}  // namespace

LabProgram MakeProgram(const ProgramSpec& spec, std::size_t versionIndex, uint64_t salt) {
  LabRandom r(salt);
  return FromSpec(spec, versionIndex, r);
}

LabProgram MakeUpdate(int era, const std::string& osFamily, uint64_t salt) {
  LabRandom r(salt);
  return UpdateEntry(era, osFamily, r);
}

GeneratedComputer GenerateComputer(uint64_t seed, int index, const Latency& latency) {
  LabRandom r(StableHash(std::to_string(seed) + "/" + std::to_string(index)));
  MachineDraw c;

  std::vector<double> weights;
  for (const auto& os : OperatingSystems()) weights.push_back(os.weight);
  c.os = &OperatingSystems()[r.Weighted(weights)];
  const int era = c.os->era;
  const bool server = c.os->server;
  c.servicePack = r.Pick(c.os->servicePacks);

  std::vector<const MachineSpec*> machines;
  for (const MachineSpec* m : OfEra(Machines(), era)) {
    if (m->server == server) machines.push_back(m);
  }
  const MachineSpec& machine = *r.Pick(machines);
  c.manufacturer = machine.manufacturer;
  c.model = machine.model;
  c.biosManufacturer = machine.biosManufacturer;
  c.biosVersion = era <= 2 ? "A" + std::string(1, static_cast<char>('0' + r.Between(0, 2))) + r.Digits(1)
                           : std::to_string(r.Between(1, 2)) + "." + std::to_string(r.Between(0, 25)) + "." + r.Digits(1);
  c.serial = machine.manufacturer.rfind("VMware", 0) == 0 ? "VMware-56 4d " + r.Hex(2) + " " + r.Hex(2) + " " + r.Hex(2)
                                                          : r.Hex(7);

  const std::string dept = server ? "SRV" : r.Pick(Departments());
  const std::string kind = server ? r.Pick(std::vector<std::string>{"FILE", "APP", "DB", "PRINT", "WEB", "DC"})
                                  : (machine.laptop ? "LT" : "PC");
  c.name = dept + "-" + kind + Pad3(index + 1);
  c.address = "10.20." + std::to_string(index / 250) + "." + std::to_string(index % 250 + 2);
  if (r.Chance(0.9)) {
    c.domain = "corp.example";
    c.netbiosDomain = "CORP";
  } else {
    c.domain = "WORKGROUP";
    c.netbiosDomain = c.name;
  }
  c.countryCode = r.Pick(std::vector<std::string>{"1", "1", "44", "44", "49", "33", "31"});
  c.installDate = 880000000 + static_cast<int64_t>(era) * 150000000 + r.Between(0, 140000000);

  // Memory: a power of two in the era's range, minus what the graphics takes.
  static const int kMemoryMb[kEraCount][2] = {{32, 256}, {64, 512}, {128, 2048}, {1024, 8192}, {4096, 32768}};
  int mb = kMemoryMb[era][0];
  const int steps = static_cast<int>(std::log2(kMemoryMb[era][1] / kMemoryMb[era][0]));
  mb <<= r.Between(0, steps);
  if (server) mb *= 2 << r.Between(0, 2);
  c.memoryBytes = static_cast<uint64_t>(mb) * kMB - static_cast<uint64_t>(r.Between(0, 64)) * 65536;

  std::vector<const CpuSpec*> cpus;
  for (const CpuSpec* cpu : OfEra(Processors(), era)) {
    if (cpu->server == server || (!server && cpus.empty() && cpu == &Processors().back())) cpus.push_back(cpu);
  }
  if (cpus.empty()) cpus = OfEra(Processors(), era);
  const CpuSpec& cpu = *r.Pick(cpus);
  int count = 1;
  if (server) {
    count = static_cast<int>(r.Pick(std::vector<int>{1, 2, 2, 2, 4, 4, 6, 8}));
  } else if (r.Chance(0.12)) {
    count = 2;
  }
  for (int i = 0; i < count; ++i) c.cpus.emplace_back(cpu.name, cpu.mhz - static_cast<int>(r.Between(0, 3)));

  MakeDrives(c, r, era, server);

  // Who answers what. Older systems more often lack WMI; a few computers are off.
  c.echo = !r.Chance(0.07);
  const double noWmi = era == 0 ? 0.8 : 0.06;
  if (r.Chance(noWmi)) c.wmi = r.Chance(0.6) ? "absent" : "Access is denied. ";
  const double roll = r.Unit();
  if (roll < 0.05) {
    c.registry = "none";
  } else if (roll < 0.09) {
    c.registry = "read";
  }
  if (r.Chance(0.02)) c.serviceManager = "refused";
  if (r.Chance(0.04)) c.logonStatus = 5;

  // Logged-on users: often one, sometimes none, sometimes several (servers).
  const int users = server ? static_cast<int>(r.Between(0, 3)) : static_cast<int>(r.Weighted({0.2, 0.65, 0.1, 0.05}));
  for (int i = 0; i < users; ++i) {
    const std::string user = r.Pick(FirstNames()).substr(0, 1) + r.Pick(LastNames());
    c.logons.emplace_back(user, c.netbiosDomain);
  }
  if (r.Chance(0.3) && era >= 2) c.logons.emplace_back("SMSvcHost", c.netbiosDomain);
  if (!c.logons.empty() && c.logons.front().first != "SMSvcHost") {
    c.consoleUser = c.logons.front().second + "\\" + c.logons.front().first;
  }

  // Programs: what this era's computers commonly have, then updates up to the count.
  const int wanted = 30 + static_cast<int>(std::pow(r.Unit(), 1.6) * 370);
  for (const ProgramSpec* spec : OfEra(Programs(), era)) {
    if (static_cast<int>(c.programs.size()) >= wanted) break;
    if (!r.Chance(spec->share)) continue;
    c.programs.push_back(FromSpec(*spec, static_cast<std::size_t>(r.Between(0, static_cast<int64_t>(spec->versions.size()) - 1)), r));
  }
  const std::string family = OsFamily(*c.os);
  std::set<std::string> keys;
  for (const auto& p : c.programs) keys.insert(Upper(p.key));
  // The catalogue is finite: a computer wanting more updates than it holds gets them all.
  for (int tries = 0; static_cast<int>(c.programs.size()) < wanted && tries < 20 * kUpdatesPerFamily; ++tries) {
    LabProgram p = UpdateEntry(era, family, r);
    if (!keys.insert(Upper(p.key)).second) continue;
    c.programs.push_back(p);
  }
  for (auto& p : c.programs) {
    // A few entries have no uninstall command (system components), a few no name at all.
    if (r.Chance(0.05)) p.uninstall.clear();
    if (r.Chance(0.03)) p.name.clear();
  }

  // 64-bit Windows, from the Vista years on, and their 32-bit programs. Drawn from a chance
  // of their own, so everything drawn above is what it was before there were two views.
  LabRandom bits(StableHash(std::to_string(seed) + "/" + std::to_string(index) + "/wow64"));
  if (era >= 3 && bits.Chance(era == 3 ? 0.5 : 0.9)) {
    c.sixtyFourBit = true;
    if (bits.Chance(0.75)) {
      for (const ProgramSpec* spec : OfEra(ThirtyTwoBitPrograms(), era)) {
        if (!bits.Chance(spec->share)) continue;
        const auto last = static_cast<int64_t>(spec->versions.size()) - 1;
        c.programs32.push_back(FromSpec(*spec, static_cast<std::size_t>(bits.Between(0, last)), bits));
      }
    }
  }

  // Services: the era's own, a share of the optional ones.
  const int serviceTarget = static_cast<int>(r.Between(50, 250));
  std::vector<const ServiceSpec*> pool = OfEra(Services(), era);
  for (const ServiceSpec* s : pool) {
    if (static_cast<int>(c.services.size()) >= serviceTarget) break;
    if (!r.Chance(0.85)) continue;
    c.services.push_back({s->name, s->display, s->type, r.Chance(0.7) ? "running" : "stopped"});
  }
  // Device drivers fill the list up to its size, as on a real system.
  int driverNumber = 1;
  while (static_cast<int>(c.services.size()) < serviceTarget) {
    const std::string n = std::to_string(driverNumber++);
    c.services.push_back({"hwdev" + n, "Hardware Device Driver " + n, "driver", "running"});
  }
  return GeneratedComputer{ToLabComputer(c, latency), c.os};
}

Latency ParseLatency(const std::string& text) {
  Latency latency;
  const auto fields = LatencyFields(latency);
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos) throw std::invalid_argument("latency items are KEY=MS: " + item);
    const std::string key = item.substr(0, eq);
    auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.first == key; });
    if (field == fields.end()) throw std::invalid_argument("no latency kind " + key);
    const int ms = std::stoi(item.substr(eq + 1));
    if (ms < 0) throw std::invalid_argument("a latency is not negative: " + item);
    *field->second = static_cast<uint32_t>(ms);
  }
  return latency;
}

}  // namespace korvane::lab::authoring

// Lab files of generated computers: the data model written in the lab format, key by
// key, in the order a reader of the file expects to find them.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "lab/authoring/lab_generate.h"

namespace korvane::console {

namespace {

const std::string kCurrentVersionKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion";
const std::string kTcpipKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const std::string kInternationalKey = "HKEY_USERS\\.DEFAULT\\Control Panel\\International";
const std::string kUninstallKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

Json TextOrNull(const std::string& text) { return text.empty() ? Json() : Json(text); }

Json Wmi(const LabComputer& c) {
  if (c.wmi == "absent") return Json();
  Json wmi = Json::MakeObject();
  wmi.Set("connect", c.wmi == "ok" ? Json(true) : Json(c.wmi));
  Json classes = Json::MakeObject();
  Json system = Json::MakeObject();
  system.Set("Name", c.name)
      .Set("UserName", TextOrNull(c.consoleUser))
      .Set("Manufacturer", c.manufacturer)
      .Set("Model", c.model)
      .Set("Domain", c.domain)
      .Set("TotalPhysicalMemory", std::to_string(c.memoryBytes));
  classes.Set("Win32_ComputerSystem", Json::MakeArray({system}));

  const uint64_t memoryKb = c.memoryBytes / 1024;
  Json os = Json::MakeObject();
  os.Set("BootDevice", "\\Device\\HarddiskVolume1")
      .Set("Caption", c.os->caption)
      .Set("CountryCode", c.countryCode)
      .Set("CSDVersion", TextOrNull(c.servicePack))
      .Set("Description", "")
      .Set("FreePhysicalMemory", std::to_string(memoryKb / 3 + 1024))
      .Set("FreeSpaceInPagingFiles", std::to_string(memoryKb + memoryKb / 2))
      .Set("FreeVirtualMemory", std::to_string(memoryKb * 2))
      .Set("Version", c.os->version)
      .Set("WindowsDirectory", c.os->windowsDirectory);
  classes.Set("Win32_OperatingSystem", Json::MakeArray({os}));

  Json cpus = Json::MakeArray();
  for (const auto& [name, mhz] : c.cpus) {
    Json cpu = Json::MakeObject();
    cpu.Set("Name", name).Set("CurrentClockSpeed", mhz).Set("MaxClockSpeed", mhz);
    cpus.Push(cpu);
  }
  classes.Set("Win32_Processor", cpus);

  Json bios = Json::MakeObject();
  bios.Set("Manufacturer", c.biosManufacturer).Set("SMBIOSBIOSVersion", c.biosVersion).Set("SerialNumber", c.serial);
  classes.Set("Win32_BIOS", Json::MakeArray({bios}));

  Json disks = Json::MakeArray();
  for (const LabDrive& d : c.drives) {
    Json disk = Json::MakeObject();
    disk.Set("Caption", d.caption).Set("DriveType", d.driveType);
    if (d.hasMedia) {
      disk.Set("Size", std::to_string(d.size))
          .Set("FreeSpace", std::to_string(d.free))
          .Set("VolumeName", d.volumeName)
          .Set("FileSystem", d.fileSystem)
          .Set("VolumeSerialNumber", d.serial);
    } else {
      disk.Set("Size", Json()).Set("FreeSpace", Json()).Set("VolumeName", Json()).Set("FileSystem", Json())
          .Set("VolumeSerialNumber", Json());
    }
    disks.Push(disk);
  }
  classes.Set("Win32_LogicalDisk", disks);
  wmi.Set("classes", classes);
  return wmi;
}

Json Registry(const LabComputer& c) {
  Json registry = Json::MakeObject();
  registry.Set("access", c.registry);
  Json keys = Json::MakeObject();
  const std::string build = c.os->version.substr(c.os->version.rfind('.') + 1);
  Json current = Json::MakeObject();
  current.Set("CurrentVersion", c.os->currentVersion)
      .Set("CurrentBuildNumber", build)
      .Set("ProductName", c.os->caption)
      .Set("SystemRoot", c.os->windowsDirectory)
      .Set("RegisteredOwner", "IT Department");
  if (!c.servicePack.empty()) current.Set("CSDVersion", c.servicePack);
  Json installDate = Json::MakeObject();
  installDate.Set("type", "REG_DWORD").Set("data", c.installDate);
  current.Set("InstallDate", installDate);
  keys.Set(kCurrentVersionKey, current);
  Json tcpip = Json::MakeObject();
  tcpip.Set("Domain", c.domain == "WORKGROUP" ? "" : c.domain).Set("Hostname", c.name);
  keys.Set(kTcpipKey, tcpip);
  Json international = Json::MakeObject();
  international.Set("iCountry", c.countryCode);
  keys.Set(kInternationalKey, international);
  for (const LabProgram& p : c.programs) {
    Json entry = Json::MakeObject();
    if (!p.name.empty()) entry.Set("DisplayName", p.name);
    if (!p.version.empty()) entry.Set("DisplayVersion", p.version);
    if (!p.location.empty()) entry.Set("InstallLocation", p.location);
    if (!p.productId.empty()) entry.Set("ProductID", p.productId);
    if (!p.publisher.empty()) entry.Set("Publisher", p.publisher);
    if (!p.uninstall.empty()) {
      Json command = Json::MakeObject();
      command.Set("type", "REG_EXPAND_SZ").Set("data", p.uninstall);
      entry.Set("UninstallString", command);
    } else {
      entry.Set("SystemComponent", 1);
    }
    keys.Set(kUninstallKey + "\\" + p.key, entry);
  }
  registry.Set("keys", keys);
  return registry;
}

}  // namespace

Json ComputerJson(const LabComputer& c, const std::map<std::string, int>& latencyMs) {
  Json file = Json::MakeObject();
  file.Set("aliases", Json::MakeArray({c.name + "." + (c.domain == "WORKGROUP" ? "local" : c.domain)}));
  file.Set("address", c.address);
  file.Set("echo", c.echo);
  if (Json wmi = Wmi(c); !wmi.IsNull()) file.Set("wmi", wmi);
  file.Set("registry", Registry(c));

  Json services = Json::MakeObject();
  services.Set("manager", c.serviceManager);
  Json list = Json::MakeArray();
  for (const LabService& s : c.services) {
    Json item = Json::MakeObject();
    item.Set("name", s.name).Set("display", s.display).Set("type", s.type).Set("state", s.state);
    list.Push(item);
  }
  services.Set("list", list);
  file.Set("services", services);

  Json logons = Json::MakeObject();
  logons.Set("status", c.logonStatus);
  Json entries = Json::MakeArray();
  for (const auto& [user, domain] : c.logons) {
    Json e = Json::MakeObject();
    e.Set("user", user).Set("domain", domain);
    entries.Push(e);
  }
  logons.Set("entries", entries).Set("perCall", 2);
  file.Set("logons", logons);

  Json shares = Json::MakeObject();
  for (const LabDrive& d : c.drives) {
    if (d.driveType != 3 || !d.hasMedia) continue;
    Json share = Json::MakeObject();
    share.Set("total", d.size).Set("free", d.free);
    shares.Set(d.caption.substr(0, 1) + "$", share);
  }
  file.Set("shares", shares);

  if (!latencyMs.empty()) {
    Json latency = Json::MakeObject();
    for (const auto& [key, ms] : latencyMs) latency.Set(key, ms);
    file.Set("latencyMs", latency);
  }
  return file;
}

void WriteTextFile(const std::string& path, const std::string& text) {
  // Written beside and renamed, so a scanner never reads half a file.
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + temporary);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) throw std::runtime_error("cannot write " + path + ": " + error.message());
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int WriteLab(const std::string& directory, const LabSettings& settings) {
  std::filesystem::create_directories(directory);
  int written = 0;
  for (int i = 0; i < settings.computers; ++i) {
    const LabComputer c = GenerateComputer(settings.seed, i);
    WriteTextFile((std::filesystem::path(directory) / (c.name + ".json")).string(),
                  Dump(ComputerJson(c, settings.latencyMs), true) + "\n");
    ++written;
  }
  return written;
}

}  // namespace korvane::console

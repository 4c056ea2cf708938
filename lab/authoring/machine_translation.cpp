// A drawn machine as a lab computer: what its WMI, registry, services, logons and shares
// answer. Files are the lab store's business (lab_files.cpp).
#include "lab/authoring/machine_draw.h"
#include "lab/model/lab_keys.h"

namespace korvane::lab::authoring {

namespace {

Variant TextOrNull(const std::string& text) { return text.empty() ? Variant::Null() : Variant(text); }

WmiConfig Wmi(const MachineDraw& c) {
  WmiConfig wmi;
  if (c.wmi != "ok") wmi.connectError = ConnectRefusal(c.wmi);
  wmi.Class("Win32_ComputerSystem").instances.push_back(
      WmiInstance{}
          .Set("Name", c.name)
          .Set("UserName", TextOrNull(c.consoleUser))
          .Set("Manufacturer", c.manufacturer)
          .Set("Model", c.model)
          .Set("Domain", c.domain)
          .Set("TotalPhysicalMemory", std::to_string(c.memoryBytes)));

  const uint64_t memoryKb = c.memoryBytes / 1024;
  wmi.Class("Win32_OperatingSystem").instances.push_back(
      WmiInstance{}
          .Set("BootDevice", "\\Device\\HarddiskVolume1")
          .Set("Caption", c.os->caption)
          .Set("CountryCode", c.countryCode)
          .Set("CSDVersion", TextOrNull(c.servicePack))
          .Set("Description", "")
          .Set("FreePhysicalMemory", std::to_string(memoryKb / 3 + 1024))
          .Set("FreeSpaceInPagingFiles", std::to_string(memoryKb + memoryKb / 2))
          .Set("FreeVirtualMemory", std::to_string(memoryKb * 2))
          .Set("Version", c.os->version)
          .Set("WindowsDirectory", c.os->windowsDirectory));

  WmiClass& cpus = wmi.Class("Win32_Processor");
  for (const auto& [name, mhz] : c.cpus) {
    cpus.instances.push_back(WmiInstance{}.Set("Name", name).Set("CurrentClockSpeed", mhz).Set("MaxClockSpeed", mhz));
  }
  wmi.Class("Win32_BIOS").instances.push_back(WmiInstance{}
                                                  .Set("Manufacturer", c.biosManufacturer)
                                                  .Set("SMBIOSBIOSVersion", c.biosVersion)
                                                  .Set("SerialNumber", c.serial));
  WmiClass& disks = wmi.Class("Win32_LogicalDisk");
  for (const DriveDraw& d : c.drives) {
    WmiInstance disk;
    disk.Set("Caption", d.caption).Set("DriveType", d.driveType);
    if (d.hasMedia) {
      disk.Set("Size", std::to_string(d.size))
          .Set("FreeSpace", std::to_string(d.free))
          .Set("VolumeName", d.volumeName)
          .Set("FileSystem", d.fileSystem)
          .Set("VolumeSerialNumber", d.serial);
    } else {
      for (const char* property : {"Size", "FreeSpace", "VolumeName", "FileSystem", "VolumeSerialNumber"}) {
        disk.Set(property, Variant::Null());
      }
    }
    disks.instances.push_back(std::move(disk));
  }
  return wmi;
}

RegistryConfig Registry(const MachineDraw& c) {
  RegistryConfig registry;
  registry.access = c.registry == keys::kAccessNone   ? RegistryAccess::None
                    : c.registry == keys::kAccessRead ? RegistryAccess::Read
                                                      : RegistryAccess::Full;
  const std::string build = c.os->version.substr(c.os->version.rfind('.') + 1);
  RegistryNode& current = registry.Key(keys::kCurrentVersionKey);
  current.SetValue(RegistryValue::Text("CurrentVersion", c.os->currentVersion));
  current.SetValue(RegistryValue::Text("CurrentBuildNumber", build));
  current.SetValue(RegistryValue::Text("ProductName", c.os->caption));
  current.SetValue(RegistryValue::Text("SystemRoot", c.os->windowsDirectory));
  current.SetValue(RegistryValue::Text("RegisteredOwner", "IT Department"));
  if (!c.servicePack.empty()) current.SetValue(RegistryValue::Text("CSDVersion", c.servicePack));
  current.SetValue(RegistryValue::Dword("InstallDate", static_cast<uint32_t>(c.installDate)));
  RegistryNode& tcpip = registry.Key(keys::kTcpipKey);
  tcpip.SetValue(RegistryValue::Text("Domain", c.domain == "WORKGROUP" ? "" : c.domain));
  tcpip.SetValue(RegistryValue::Text("Hostname", c.name));
  registry.Key(keys::kInternationalKey).SetValue(RegistryValue::Text("iCountry", c.countryCode));
  for (const LabProgram& p : c.programs) InstallProgram(registry, p);
  if (c.sixtyFourBit) {
    registry.Key(keys::kWow64Key);
    for (const LabProgram& p : c.programs32) InstallProgram(registry, p, keys::kUninstall32Key);
  }
  return registry;
}

}  // namespace

void InstallProgram(RegistryConfig& registry, const LabProgram& p, std::string_view uninstallKey) {
  RegistryNode& uninstall = registry.Key(uninstallKey);
  uninstall.RemoveSubkey(p.key);
  RegistryNode& entry = uninstall.Subkey(p.key);
  if (!p.name.empty()) entry.SetValue(RegistryValue::Text("DisplayName", p.name));
  if (!p.version.empty()) entry.SetValue(RegistryValue::Text("DisplayVersion", p.version));
  if (!p.location.empty()) entry.SetValue(RegistryValue::Text("InstallLocation", p.location));
  if (!p.productId.empty()) entry.SetValue(RegistryValue::Text("ProductID", p.productId));
  if (!p.publisher.empty()) entry.SetValue(RegistryValue::Text("Publisher", p.publisher));
  if (!p.uninstall.empty()) {
    entry.SetValue(RegistryValue::Text("UninstallString", p.uninstall, kRegExpandSz));
  } else {
    entry.SetValue(RegistryValue::Dword("SystemComponent", 1));
  }
}

LabComputer ToLabComputer(const MachineDraw& c, const Latency& latency) {
  LabComputer computer;
  computer.fileName = c.name;
  computer.aliases = {c.name + "." + (c.domain == "WORKGROUP" ? "local" : c.domain)};
  computer.address = ParseAddress(c.address).value_or(DerivedAddress(c.name));
  computer.echo.answers = c.echo;
  if (c.wmi != "absent") computer.wmi = Wmi(c);
  computer.registry = Registry(c);

  ServicesConfig services;
  services.manager = c.serviceManager == keys::kManagerRefused ? ManagerBehaviour::Refused : ManagerBehaviour::Ok;
  for (const ServiceDraw& s : c.services) {
    services.list.push_back(LabService{s.name, s.display,
                                       s.type == keys::kTypeDriver  ? kServiceDriver
                                       : s.type == keys::kTypeShare ? kServiceShareProcess
                                                                    : kServiceOwnProcess,
                                       ServiceStateCode(s.state)});
  }
  computer.services = std::move(services);

  LogonsConfig logons;
  logons.status = static_cast<uint32_t>(c.logonStatus);
  for (const auto& [user, domain] : c.logons) logons.entries.push_back(WkstaUserInfo1{user, domain, "", ""});
  computer.logons = std::move(logons);

  for (const DriveDraw& d : c.drives) {
    if (d.driveType != 3 || !d.hasMedia) continue;
    const std::string share = d.caption.substr(0, 1) + "$";
    computer.shares[FoldCase(share)] = ShareSpace{share, d.size, d.free, d.free};
  }
  computer.latency = latency;
  return computer;
}

}  // namespace korvane::lab::authoring

#include "collect/snapshot_dump.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "scan/conversions.h"
#include "scan/korvane.h"

namespace korvane {

namespace {

using Json = nlohmann::ordered_json;

// Whole megabytes stay whole numbers in the file; a value JSON cannot hold is null.
Json Number(double value) {
  if (!std::isfinite(value)) return nullptr;
  if (value == std::floor(value) && std::fabs(value) < 9.0e15) return static_cast<int64_t>(value);
  return value;
}

std::string SnapshotJson(const Korvane& k) {
  const MachineSnapshot& s = k.snap;
  Json j = Json::object();
  j["ComputerName"] = k.ctx.ComputerName;
  j["Manufacturer"] = s.Manufacturer;
  j["Model"] = s.Model;
  j["Domain"] = s.Domain;
  j["BootDevice"] = s.BootDevice;
  j["OSDescription"] = s.OSDescription;
  j["OSCaption"] = s.OSCaption;
  j["CSDVersion"] = s.CSDVersion;
  j["OSVersion"] = s.OSVersion;
  j["TotalPhysicalMemory"] = Number(s.TotalPhysicalMemory);
  j["FreePhysicalMemory"] = Number(s.FreePhysicalMemory);
  j["FreeSpaceInPagingFiles"] = Number(s.FreeSpaceInPagingFiles);
  j["FreeVirtualMemory"] = Number(s.FreeVirtualMemory);
  j["CountryCode"] = s.CountryCode;
  j["WindowsDirectory"] = s.WindowsDirectory;
  j["BIOSManufacturer"] = s.BIOSManufacturer;
  j["SMBIOSBIOSVersion"] = s.SMBIOSBIOSVersion;
  j["SerialNumber"] = s.SerialNumber;
  j["UserName"] = s.UserName;
  j["SoftwareList"] = s.SoftwareList;
  j["ServiceList"] = s.ServiceList;
  Json processors = Json::array();
  for (const ProcessorSlot& p : s.Processors) {
    Json processor = Json::object();
    processor["Name"] = p.Name;
    processor["ClockSpeed"] = Number(p.ClockSpeed);
    processors.push_back(std::move(processor));
  }
  j["Processors"] = std::move(processors);
  Json drives = Json::array();
  for (int i = 0; i < kDriveSlots; ++i) {
    const DriveSlot& d = s.Drives[static_cast<std::size_t>(i)];
    Json drive = Json::object();
    drive["Letter"] = std::string(1, MachineSnapshot::DriveLetter(i));
    drive["Caption"] = d.Caption;
    drive["Size"] = Number(d.Size);
    drive["FreeSpace"] = Number(d.FreeSpace);
    drive["VolumeName"] = d.VolumeName;
    drive["FileSystem"] = d.FileSystem;
    drive["VolumeSerialNumber"] = d.VolumeSerialNumber;
    drives.push_back(std::move(drive));
  }
  j["Drives"] = std::move(drives);
  // Text that is not UTF-8 (a collector hands over what the target reports) is written
  // with U+FFFD rather than making the file invalid.
  return j.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

void DumpSnapshotIfAsked(Korvane& k) {
  const std::optional<std::string> path = k.platform.process->GetEnvironment("KORVANE_SNAPSHOT");
  if (!path || path->empty()) return;
  // A diagnostic aid only: a file that cannot be written is silently skipped.
  std::ofstream out(*path, std::ios::binary | std::ios::trunc);
  if (out) out << SnapshotJson(k);
}

}  // namespace korvane

// MachineSnapshot: what the target computer is, as the collectors found it. Sizes are
// in whole megabytes. Text fields start empty and numbers at 0; a collector overwrites
// only what it obtains, and a value that cannot be read or converted leaves the field as
// it was. Written by the collectors (WMI, NT fallback, logged-on user, services,
// software), read by the reconciliation.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvane {

struct ProcessorSlot {
  std::string Name;
  double ClockSpeed = 0;  // MHz, as reported
};

// The drive whose name is the slot's letter followed by ":". Letters A to J.
struct DriveSlot {
  std::string Caption;
  double Size = 0;       // MB
  double FreeSpace = 0;  // MB
  std::string VolumeName;
  std::string FileSystem;
  std::string VolumeSerialNumber;
};

constexpr int kProcessorSlots = 4;
constexpr int kDriveSlots = 10;  // A: .. J:

struct MachineSnapshot {
  std::string Manufacturer;
  std::string Model;
  std::string Domain;
  std::string BootDevice;
  std::string OSDescription;
  std::string OSCaption;
  std::string CSDVersion;
  std::string OSVersion;
  std::array<ProcessorSlot, kProcessorSlots> Processors;
  int32_t TotalPhysicalMemory = 0;     // MB
  int32_t FreePhysicalMemory = 0;      // MB
  int32_t FreeSpaceInPagingFiles = 0;  // MB
  int32_t FreeVirtualMemory = 0;       // MB
  std::string CountryCode;
  std::string WindowsDirectory;
  std::string BIOSManufacturer;
  std::string SMBIOSBIOSVersion;
  std::string SerialNumber;
  std::string UserName;     // logon domain \ user name
  std::string SoftwareList; // items joined with "^", parts of an item with "§"
  std::string ServiceList;  // display names joined with "^"
  std::array<DriveSlot, kDriveSlots> Drives;

  static char DriveLetter(int slot) { return static_cast<char>('A' + slot); }
};

}  // namespace korvane

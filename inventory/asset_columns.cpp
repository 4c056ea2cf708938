#include "inventory/asset_columns.h"

#include "scan/korvane.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace {

Variant DriveColumnValue(const DriveSlot& d, int offset) {
  switch (offset) {
    case asset::kDriveCaption: return Variant(d.Caption);
    case asset::kDriveSize: return Variant(d.Size);
    case asset::kDriveFreeSpace: return Variant(d.FreeSpace);
    case asset::kDriveVolumeName: return Variant(d.VolumeName);
    case asset::kDriveFileSystem: return Variant(d.FileSystem);
    case asset::kDriveVolumeSerialNumber: return Variant(d.VolumeSerialNumber);
    default: throw StandardError(errors::kSubscriptOutOfRange);
  }
}

}  // namespace

Variant AssetColumnValue(const Korvane& k, int ordinal) {
  const MachineSnapshot& s = k.snap;
  if (ordinal >= asset::ProcessorName(1) && ordinal <= asset::ProcessorClockSpeed(kProcessorSlots)) {
    const ProcessorSlot& p = s.Processors[static_cast<std::size_t>((ordinal - 9) / 2)];
    return (ordinal - 9) % 2 == 0 ? Variant(p.Name) : Variant(p.ClockSpeed);
  }
  if (ordinal >= asset::kFirstDriveSlot &&
      ordinal < asset::DriveSlot(kDriveSlots)) {
    const int relative = ordinal - asset::kFirstDriveSlot;
    return DriveColumnValue(s.Drives[static_cast<std::size_t>(relative / asset::kDriveSlotWidth)],
                            relative % asset::kDriveSlotWidth);
  }
  switch (ordinal) {
    case asset::kManufacturer: return Variant(s.Manufacturer);
    case asset::kModel: return Variant(s.Model);
    case asset::kDomain: return Variant(s.Domain);
    case asset::kBootDevice: return Variant(s.BootDevice);
    case asset::kOSDescription: return Variant(s.OSDescription);
    case asset::kOSCaption: return Variant(s.OSCaption);
    case asset::kCSDVersion: return Variant(s.CSDVersion);
    case asset::kOSVersion: return Variant(s.OSVersion);
    case asset::kTotalPhysicalMemory: return Variant(s.TotalPhysicalMemory);
    case asset::kFreePhysicalMemory: return Variant(s.FreePhysicalMemory);
    case asset::kFreeSpaceInPagingFiles: return Variant(s.FreeSpaceInPagingFiles);
    case asset::kFreeVirtualMemory: return Variant(s.FreeVirtualMemory);
    case asset::kCountryCode: return Variant(s.CountryCode);
    case asset::kWindowsDirectory: return Variant(s.WindowsDirectory);
    case asset::kBIOSManufacturer: return Variant(s.BIOSManufacturer);
    case asset::kSMBIOSBIOSVersion: return Variant(s.SMBIOSBIOSVersion);
    case asset::kSerialNumber: return Variant(s.SerialNumber);
    case asset::kIPAddress: return Variant(k.ctx.IPAddress);
    default: throw StandardError(errors::kSubscriptOutOfRange);
  }
}

}  // namespace korvane

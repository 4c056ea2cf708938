#include "inventory/compare_asset.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "scan/conversions.h"
#include "scan/korvane.h"
#include "inventory/asset_columns.h"
#include "inventory/history.h"
#include "inventory/query_texts.h"
#include "inventory/recordset_ref.h"

namespace korvane {

namespace {

enum class Kind { Text, Number, Speed };

struct FieldComparison {
  const char* label;
  int16_t ordinal;
  Kind kind;
};

// Clock speeds wander a little from scan to scan; only a real change is worth an entry.
constexpr double kSpeedMargin = 100;

constexpr std::array<FieldComparison, 22> kFieldComparisons{{
    {"Manufacturer changed ", asset::kManufacturer, Kind::Text},
    {"Model changed ", asset::kModel, Kind::Text},
    {"Domain changed ", asset::kDomain, Kind::Text},
    {"Boot Device changed ", asset::kBootDevice, Kind::Text},
    {"Description changed ", asset::kOSDescription, Kind::Text},
    {"OS changed ", asset::kOSCaption, Kind::Text},
    {"Service Pack changed ", asset::kCSDVersion, Kind::Text},
    {"OS Version changed ", asset::kOSVersion, Kind::Text},
    {"Processor 1 changed ", asset::ProcessorName(1), Kind::Text},
    {"Processor 1 speed changed ", asset::ProcessorClockSpeed(1), Kind::Speed},
    {"Processor 2 changed ", asset::ProcessorName(2), Kind::Text},
    {"Processor 2 speed changed ", asset::ProcessorClockSpeed(2), Kind::Speed},
    {"Processor 3 changed ", asset::ProcessorName(3), Kind::Text},
    {"Processor 3 speed changed ", asset::ProcessorClockSpeed(3), Kind::Speed},
    {"Processor 4 changed ", asset::ProcessorName(4), Kind::Text},
    {"Processor 4 speed changed ", asset::ProcessorClockSpeed(4), Kind::Speed},
    {"Physical Memory changed ", asset::kTotalPhysicalMemory, Kind::Number},
    {"Country Code changed ", asset::kCountryCode, Kind::Text},
    {"Windows Directory changed ", asset::kWindowsDirectory, Kind::Text},
    {"BIOS changed ", asset::kBIOSManufacturer, Kind::Text},
    {"BIOS Version changed ", asset::kSMBIOSBIOSVersion, Kind::Text},
    {"Serial Number changed ", asset::kSerialNumber, Kind::Text},
}};

// A stored speed that is not a number counts as beyond the margin, as it counts as a
// difference in RecordNumberChange; a stored Null never does.
bool BeyondSpeedMargin(Korvane& k, int16_t ordinal, double collected) {
  const Variant stored = Opened(k.ctx.RS1).Field(ordinal);
  if (stored.IsNull()) return false;
  double s = 0;
  try {
    s = ToDouble(stored);
  } catch (const RuntimeError&) {
    return true;
  }
  return collected >= s + kSpeedMargin || collected <= s - kSpeedMargin;
}

// A drive that is, or was at the last scan, a CD is not compared: its size and file
// system follow the disc in the tray. A stored Null file system fails the test too.
bool DriveComparable(Korvane& k, const DriveSlot& drive, int16_t fileSystemOrdinal) {
  const Variant stored = Opened(k.ctx.RS1).Field(fileSystemOrdinal);
  if (drive.FileSystem == "CDFS") return false;
  if (stored.IsNull()) return false;
  return ToText(stored) != "CDFS";
}

}  // namespace

void CompareAsset(Korvane& k) {
  for (const FieldComparison& c : kFieldComparisons) {
    const Variant collected = AssetColumnValue(k, c.ordinal);
    switch (c.kind) {
      case Kind::Text:
        RecordTextChange(k, c.ordinal, collected.text(), c.label);
        break;
      case Kind::Number:
        RecordNumberChange(k, c.ordinal, ToDouble(collected), c.label);
        break;
      case Kind::Speed:
        if (BeyondSpeedMargin(k, c.ordinal, ToDouble(collected))) {
          RecordNumberChange(k, c.ordinal, ToDouble(collected), c.label);
        }
        break;
    }
  }

  for (int slot = asset::kFirstHistoryDriveIndex; slot < kDriveSlots; ++slot) {  // C: to J:
    const DriveSlot& drive = k.snap.Drives[static_cast<std::size_t>(slot)];
    const std::string name = std::string(1, MachineSnapshot::DriveLetter(slot)) + ":";
    const auto sizeOrdinal = static_cast<int16_t>(asset::DriveSlot(slot) + asset::kDriveSize);
    const auto fileSystemOrdinal =
        static_cast<int16_t>(asset::DriveSlot(slot) + asset::kDriveFileSystem);
    if (DriveComparable(k, drive, fileSystemOrdinal)) {
      RecordNumberChange(k, sizeOrdinal, drive.Size, "Drive " + name + " Size changed ");
    }
    if (DriveComparable(k, drive, fileSystemOrdinal)) {
      RecordTextChange(k, fileSystemOrdinal, drive.FileSystem,
                       "Drive " + name + " System changed ");
    }
  }
}

}  // namespace korvane

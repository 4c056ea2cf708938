#include "inventory/compare_asset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
  std::string label;  // history_text::Changed of the field label
  int16_t ordinal;
  Kind kind;
};

// Clock speeds wander a little from scan to scan; only a real change is worth an entry.
constexpr double kSpeedMargin = 100;

// The Asset fields compared, in the order of their entries.
std::vector<FieldComparison> FieldComparisons() {
  namespace h = history_text;
  std::vector<FieldComparison> c{
      {h::Changed(h::kManufacturer), asset::kManufacturer, Kind::Text},
      {h::Changed(h::kModel), asset::kModel, Kind::Text},
      {h::Changed(h::kDomain), asset::kDomain, Kind::Text},
      {h::Changed(h::kBootDevice), asset::kBootDevice, Kind::Text},
      {h::Changed(h::kDescription), asset::kOSDescription, Kind::Text},
      {h::Changed(h::kOS), asset::kOSCaption, Kind::Text},
      {h::Changed(h::kServicePack), asset::kCSDVersion, Kind::Text},
      {h::Changed(h::kOSVersion), asset::kOSVersion, Kind::Text},
  };
  for (int n = 1; n <= 4; ++n) {
    c.push_back({h::Changed(h::ProcessorLabel(n)), static_cast<int16_t>(asset::ProcessorName(n)), Kind::Text});
    c.push_back({h::Changed(h::ProcessorSpeedLabel(n)), static_cast<int16_t>(asset::ProcessorClockSpeed(n)), Kind::Speed});
  }
  c.push_back({h::Changed(h::kPhysicalMemory), asset::kTotalPhysicalMemory, Kind::Number});
  c.push_back({h::Changed(h::kCountryCode), asset::kCountryCode, Kind::Text});
  c.push_back({h::Changed(h::kWindowsDirectory), asset::kWindowsDirectory, Kind::Text});
  c.push_back({h::Changed(h::kBIOS), asset::kBIOSManufacturer, Kind::Text});
  c.push_back({h::Changed(h::kBIOSVersion), asset::kSMBIOSBIOSVersion, Kind::Text});
  c.push_back({h::Changed(h::kSerialNumber), asset::kSerialNumber, Kind::Text});
  return c;
}

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
  for (const FieldComparison& c : FieldComparisons()) {
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
    const char letter = MachineSnapshot::DriveLetter(slot);
    const auto sizeOrdinal = static_cast<int16_t>(asset::DriveSlot(slot) + asset::kDriveSize);
    const auto fileSystemOrdinal =
        static_cast<int16_t>(asset::DriveSlot(slot) + asset::kDriveFileSystem);
    if (DriveComparable(k, drive, fileSystemOrdinal)) {
      RecordNumberChange(k, sizeOrdinal, drive.Size, history_text::Changed(history_text::DriveSizeLabel(letter)));
    }
    if (DriveComparable(k, drive, fileSystemOrdinal)) {
      RecordTextChange(k, fileSystemOrdinal, drive.FileSystem,
                       history_text::Changed(history_text::DriveSystemLabel(letter)));
    }
  }
}

}  // namespace korvane

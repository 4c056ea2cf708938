#include "console/rows/asset_row.h"

#include <algorithm>
#include <cctype>

#include "inventory/query_texts.h"

namespace korvane::console {

AssetRow::AssetRow() : AssetRow(std::vector<Variant>{}) {}

AssetRow::AssetRow(std::vector<Variant> values) : values_(std::move(values)) {
  for (int n = 1; n <= 4; ++n) {
    StoredProcessor& p = processors_[static_cast<std::size_t>(n - 1)];
    p.number = n;
    p.name = (*this)[asset::ProcessorName(n)];
    p.clockSpeed = (*this)[asset::ProcessorClockSpeed(n)];
  }
  for (int index = 0; index < static_cast<int>(drives_.size()); ++index) {
    const int slot = asset::DriveSlot(index);
    StoredDrive& d = drives_[static_cast<std::size_t>(index)];
    d.letter = static_cast<char>('A' + index);
    d.caption = (*this)[slot + asset::kDriveCaption];
    d.size = (*this)[slot + asset::kDriveSize];
    d.freeSpace = (*this)[slot + asset::kDriveFreeSpace];
    d.volumeName = (*this)[slot + asset::kDriveVolumeName];
    d.fileSystem = (*this)[slot + asset::kDriveFileSystem];
    d.volumeSerialNumber = (*this)[slot + asset::kDriveVolumeSerialNumber];
  }
}

const Variant& AssetRow::operator[](int ordinal) const {
  static const Variant kNull = Variant::Null();
  return ordinal >= 0 && ordinal < static_cast<int>(values_.size()) ? values_[static_cast<std::size_t>(ordinal)] : kNull;
}

DriveKind KindOfDrive(char letter, const std::string& fileSystem) {
  std::string fs = fileSystem;
  if (!fs.empty() && fs[0] == '^') fs.erase(0, 1);
  std::transform(fs.begin(), fs.end(), fs.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (fs == "CDFS" || fs == "UDF") return DriveKind::CD;
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (upper == 'A' || upper == 'B') return DriveKind::Removable;
  if (upper > 'C' && (fs == "FAT" || fs == "FAT12" || fs == "FAT16" || fs == "FAT32" || fs == "EXFAT")) {
    return DriveKind::Removable;
  }
  return DriveKind::Fixed;
}

const StoredDrive& AssetRow::Drive(char letter) const {
  static const StoredDrive kUnused{};
  const int index = letter - 'A';
  return index >= 0 && index < static_cast<int>(drives_.size()) ? drives_[static_cast<std::size_t>(index)] : kUnused;
}

}  // namespace korvane::console

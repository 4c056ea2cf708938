// One computer's Asset row as the console reads it. Its columns are reached by the
// ordinals the inventory names them with (inventory/query_texts.h); its four processors
// and ten drive slots, which lie in the row as repeated groups, are read once into
// values of their own, so that nothing else counts its way through the row.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/variant.h"

namespace korvane::console {

struct StoredProcessor {
  int number = 0;      // 1 to 4
  Variant name;        // as stored: possibly pinned, Null or empty when not there
  Variant clockSpeed;  // MHz; slots of processors that are not there hold 0
};

struct StoredDrive {
  char letter = 'A';  // A: to J:
  Variant caption;    // "C:" as stored, possibly pinned; empty when the slot is unused
  Variant size;       // MB
  Variant freeSpace;  // MB
  Variant volumeName;
  Variant fileSystem;
  Variant volumeSerialNumber;
};

// What kind of drive a slot most likely holds. The inventory keeps no drive type, so
// it is told from what it does keep: A: and B: are floppy drives, CDFS and UDF are the
// file systems of CDs and DVDs, and FAT or exFAT on a letter after C: is most often a
// USB stick or memory card (a FAT data disk of an old computer is counted with them).
// Their fill level follows the medium put in, not the computer's use.
enum class DriveKind { Fixed, Removable, CD };
DriveKind KindOfDrive(char letter, const std::string& fileSystem);

class AssetRow {
 public:
  AssetRow();
  // The row as the query returned it; a row shorter than the table reads as Null where
  // it ends.
  explicit AssetRow(std::vector<Variant> values);

  // The column of `ordinal` (asset::kComputer and the like); Null where the row ends.
  const Variant& operator[](int ordinal) const;

  const std::array<StoredProcessor, 4>& Processors() const { return processors_; }
  // The slots of A: to J:, in that order.
  const std::array<StoredDrive, 10>& Drives() const { return drives_; }
  // The slot of a letter from 'A' to 'J'; an unused slot for any other.
  const StoredDrive& Drive(char letter) const;

 private:
  std::vector<Variant> values_;
  std::array<StoredProcessor, 4> processors_;
  std::array<StoredDrive, 10> drives_;
};

}  // namespace korvane::console

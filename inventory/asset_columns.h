// Which snapshot value belongs in which Asset column, and in which kind: text, Double
// for clock speeds and drive sizes, Long for memory figures. Shared by the writer of the
// row and by the change comparison, so both read the same field for an ordinal.
#pragma once

#include "platform/variant.h"

namespace korvane {

struct Korvane;

// The value the scan writes into Asset column `ordinal`: 1 to 25, 30 (IPAddress) and the
// drive slot columns 31 to 90. Any other ordinal is a programming error and raises
// "Subscript out of range".
Variant AssetColumnValue(const Korvane& k, int ordinal);

}  // namespace korvane

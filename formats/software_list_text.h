// The software list kept in the Software row of a computer, and the other "^"-joined
// lists (the service list): items "program§version§location§product ID" joined by "^".
// The collector writes it, the reconciliation and the console read it back; this module
// owns the separators and the splitting of an item.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scan/scratch_lists.h"

namespace korvane {

inline constexpr std::string_view kSectionSign = "\xC2\xA7";  // U+00A7 in UTF-8, between parts
inline constexpr char kListSeparator = '^';                    // between items

// program & "§" & version & "§" & location & "§" & productId
std::string SoftwareItemText(const std::string& program, const std::string& version,
                             const std::string& location, const std::string& productId);

// The items joined by "^"; no items give empty text.
std::string JoinList(const std::vector<std::string>& items);

// One item split at its section signs; a further section sign stays part of the product
// ID, missing parts are empty.
SoftwareEntry SplitSoftwareItem(std::string_view item);

// Every item of a stored list, in stored order. Empty items are passed over (the
// scanner's own comparison stops at one, but the programs after it are still installed);
// an item with fewer than four parts has the missing ones empty.
std::vector<SoftwareEntry> ParseSoftwareList(const std::string& list);

// Items of a "^"-joined list (the service list); empty text has none, empty items are
// passed over.
std::vector<std::string> SplitList(const std::string& list);
// How many items SplitList would give, without making them.
std::size_t CountListItems(const std::string& list);

}  // namespace korvane

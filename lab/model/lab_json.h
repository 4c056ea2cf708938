// The JSON of lab files: nlohmann::ordered_json, read and written the way the lab format
// needs. Objects keep their members in file order, because the order carries meaning
// (registry subkeys enumerate in it); a member written twice keeps its first position
// and its last value. Whole numbers stay whole and fractions keep a decimal point, so a
// file written and read back is the same value. Strings hold UTF-8 and may contain NUL.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace korvane::lab {

using LabJson = nlohmann::ordered_json;

// Where and why a text is not JSON. line and column count from 1; the column counts
// characters, not bytes.
struct JsonError {
  std::size_t line = 0;
  std::size_t column = 0;
  std::string message;
  // "line 3, column 7: expected ':' after the member name"
  std::string ToString() const;
};

// Reads one JSON value (RFC 8259) from the whole text; a UTF-8 byte order mark in front
// is skipped, nesting is limited to 256 levels. Member insertion does not search the
// object, so a file of tens of thousands of registry keys reads in linear time. On
// failure returns nullopt and, when error is given, fills it.
std::optional<LabJson> ParseLabJson(std::string_view text, JsonError* error = nullptr);

// Writes a value as JSON text: compact on one line, or pretty with two-space indents.
// Non-ASCII text is written as UTF-8 (bytes that are not UTF-8 as U+FFFD); control
// characters, NUL included, are escaped; NaN and infinities are written as null.
std::string DumpLabJson(const LabJson& value, bool pretty = false);

}  // namespace korvane::lab

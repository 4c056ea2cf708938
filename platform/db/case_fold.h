// The case-insensitive key comparison of the SQLite inventory. SQLite's NOCASE folds
// only A to Z; the other backends compare keys without regard to case in every script.
// The scanner's SQLite connections lower-case both sides of a key comparison with this
// fold instead, so the file itself keeps plain NOCASE and any SQLite client reads it.
#pragma once

#include <string>
#include <string_view>

namespace korvane::db {

// Each character replaced by its one-character lower-case form (Unicode), except where
// that would turn a character outside ASCII into an ASCII one (the dotted capital I,
// the Kelvin sign): ASCII names then compare exactly as NOCASE compares them. Bytes
// that are not UTF-8 (a key an earlier version stored in a Windows code page) are read
// as the storable form reads them (Windows-1252), so such a key folds like the same name
// in UTF-8.
std::string FoldKey(std::string_view text);

// Registered on each connection as the SQL function korvane_fold(text).
inline constexpr const char* kFoldFunctionName = "korvane_fold";

}  // namespace korvane::db

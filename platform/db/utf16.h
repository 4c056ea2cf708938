// UTF-8 (the program's text) to UTF-16 (the ODBC wide calls) and back. Invalid input
// bytes become U+FFFD rather than failures: a stored value must always be readable.
#pragma once

#include <string>

namespace korvane::db {

std::u16string ToUtf16(const std::string& text);
std::string FromUtf16(const std::u16string& text);

}  // namespace korvane::db

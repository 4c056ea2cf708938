// UTF-8 (the program's text) to UTF-16 (the ODBC wide calls) and back. Invalid input
// bytes become U+FFFD rather than failures: a stored value must always be readable.
#pragma once

#include <string>

namespace korvane {

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

std::u16string ToUtf16(const std::string& text);
std::string FromUtf16(const std::u16string& text);

}  // namespace korvane

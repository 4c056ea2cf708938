// UTF-8 (the program's text) to UTF-16 (the ODBC wide calls) and back. Invalid input
// bytes become U+FFFD rather than failures: a stored value must always be readable.
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

std::u16string ToUtf16(const std::string& text);
std::string FromUtf16(const std::u16string& text);

// The same from any 16-bit code units (an ODBC driver's SQLWCHAR), written straight into
// the result: whole inventories are read through here.
template <typename Unit>
std::string FromUtf16(const Unit* text, std::size_t length) {
  std::string out(length * 3, '\0');
  char* at = out.data();
  for (std::size_t i = 0; i < length; ++i) {
    char32_t cp = static_cast<char16_t>(text[i]);
    if (cp < 0x80) {
      *at++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && static_cast<char16_t>(text[i + 1]) >= 0xDC00 &&
        static_cast<char16_t>(text[i + 1]) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(static_cast<char16_t>(text[i + 1])) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *at++ = static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
      *at++ = static_cast<char>(0xE0 | (cp >> 12));
      *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
      *at++ = static_cast<char>(0xF0 | (cp >> 18));
      *at++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *at++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
  return out;
}

}  // namespace korvane

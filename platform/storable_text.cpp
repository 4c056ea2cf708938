#include "platform/storable_text.h"

#include "platform/utf16.h"

namespace korvane {

namespace {

// Windows-1252 for 0x80 to 0x9F; 0xA0 to 0xFF are the Latin-1 code points.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the valid UTF-8 sequence at `i` (shortest form, no surrogates, at most
// U+10FFFF); 0 when there is none.
std::size_t ValidSequence(std::string_view s, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = at(i);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  const unsigned char second = at(i + 1);
  if (second < low || second > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string StorableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += byte == 0 ? ' ' : static_cast<char>(byte);
      ++i;
      continue;
    }
    if (const std::size_t length = ValidSequence(text, i)) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    AppendUtf8(out, byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char32_t>(byte));
    ++i;
  }
  return out;
}

}  // namespace korvane

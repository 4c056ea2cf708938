#include "platform/db/case_fold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/storable_text.h"
#include "platform/utf16.h"

namespace korvane::db {

namespace {

struct FoldRun {
  char32_t first;
  char32_t last;
  int32_t delta;
  int32_t stride;
};

constexpr FoldRun kRuns[] = {
#include "platform/db/case_fold_table.inc"
};

char32_t FoldCharacter(char32_t cp) {
  if (cp < 0x80) return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
  // The runs are sorted and do not overlap.
  const auto* run = std::upper_bound(std::begin(kRuns), std::end(kRuns), cp,
                                     [](char32_t c, const FoldRun& r) { return c < r.first; });
  if (run == std::begin(kRuns)) return cp;
  --run;
  if (cp > run->last || (cp - run->first) % static_cast<char32_t>(run->stride) != 0) return cp;
  return static_cast<char32_t>(static_cast<int32_t>(cp) + run->delta);
}

}  // namespace

std::string FoldKey(std::string_view raw) {
  // A key stored in a code page by an earlier version is the computer its storable form
  // names.
  const std::string storable = StorableText(raw);
  const std::string_view text = storable;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    bool valid = length > 0 && i + length <= text.size();
    char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid) {
      out += text[i++];
      continue;
    }
    const char32_t folded = FoldCharacter(cp);
    if (folded == cp) {
      out.append(text.substr(i, length));
    } else {
      AppendUtf8(out, folded);
    }
    i += length;
  }
  return out;
}

}  // namespace korvane::db

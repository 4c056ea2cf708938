// The pure rules of the change history: entry texts, the number forms and the cut to
// 3000 characters by whole entries.
#include <gtest/gtest.h>

#include <string>

#include "scan/conversions.h"
#include "inventory/history.h"

namespace korvane {
namespace {

// The cut as a person would do it: drop the oldest entry while the text is too long.
std::string CutByRepeatedTrim(std::string text, std::size_t limit) {
  while (CharCount(text) > limit && text.find('^') != std::string::npos) TrimHistory(text);
  return text;
}

TEST(HistoryText, ChangeTextsTakeTheirThreeFormsAndNumbersArePlainDecimal) {
  EXPECT_EQ(TextChangeText("Model changed ", "", "Beta"), "Model changed from nothing To Beta");
  EXPECT_EQ(TextChangeText("Model changed ", "a~b^", "c"), "Model changed from a~b^ To c");

  const std::string mem = "Physical Memory changed ";
  EXPECT_EQ(NumberChangeText(mem, Variant(512.0), 1024.0), mem + "from 512 To 1024");
  EXPECT_EQ(NumberChangeText(mem, Variant(0.0), 0), mem + "from  0 To nothing");
  EXPECT_EQ(NumberChangeText(mem, Variant(-5.0), 0), mem + "from -5 To nothing");
  EXPECT_EQ(NumberChangeText(mem, Variant(""), 950), mem + "from nothing To 950");
  EXPECT_EQ(NumberChangeText(mem, Variant("n/a"), 950), mem + "from n/a To 950");
  EXPECT_EQ(NumberChangeText(mem, Variant(100000000.0), 3e9), mem + "from 100000000 To 3000000000");
}

TEST(HistoryText, PinnedMeansLeadingCaretOnText) {
  for (const auto& [value, pinned] : {std::pair{Variant("^Dell"), true}, {Variant("^"), true}, {Variant("Dell^"), false},
                                      {Variant(""), false}, {Variant::Null(), false}, {Variant(512), false}}) {
    EXPECT_EQ(IsPinned(value), pinned);
  }
}

// Entries of multi-byte characters, and limits below the length of one entry. (The cut
// to the 3000 of a real History is checked end to end.)
TEST(HistoryCut, OnePassCutEqualsRepeatedTrimOnManyShapes) {
  std::string exact = std::string(2999, 'a') + "^";
  CutHistory(exact);
  EXPECT_EQ(exact.size(), 3000u) << "exactly at the limit nothing is cut";
  for (std::size_t n = 1; n < 200; n += 9) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
      text += HistoryEntry("2003/02/14 09:05:30", std::string(i % 23, i % 2 ? 'q' : '\xC3') +
                                                      (i % 2 ? "" : "\xA9"));
    }
    for (std::size_t limit : {0u, 1u, 30u, 500u, 3000u}) {
      std::string fast = text;
      CutHistory(fast, limit);
      ASSERT_EQ(fast, CutByRepeatedTrim(text, limit)) << n << " entries, limit " << limit;
    }
  }
}

}  // namespace
}  // namespace korvane

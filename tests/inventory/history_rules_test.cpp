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
  EXPECT_EQ(HistoryEntry("2003/02/14 09:05:30", "Manufacturer changed from Alpha To Beta"),
            "2003/02/14 09:05:30~Manufacturer changed from Alpha To Beta^");
  EXPECT_EQ(TextChangeText("Model changed ", "", "Beta"), "Model changed from nothing To Beta");
  EXPECT_EQ(TextChangeText("Model changed ", "Beta", ""), "Model changed from Beta To nothing");
  EXPECT_EQ(TextChangeText("Model changed ", "a~b^", "c"), "Model changed from a~b^ To c");

  const std::string mem = "Physical Memory changed ";
  EXPECT_EQ(NumberChangeText(mem, Variant(512), 1024), mem + "from 512 To 1024");
  EXPECT_EQ(NumberChangeText(mem, Variant(512.0), 1024.0), mem + "from 512 To 1024");
  EXPECT_EQ(NumberChangeText(mem, Variant(2400.0), 0), mem + "from  2400 To nothing");
  EXPECT_EQ(NumberChangeText(mem, Variant(0.0), 0), mem + "from  0 To nothing");
  EXPECT_EQ(NumberChangeText(mem, Variant(-5.0), 0), mem + "from -5 To nothing");
  EXPECT_EQ(NumberChangeText(mem, Variant(""), 950), mem + "from nothing To 950");
  EXPECT_EQ(NumberChangeText(mem, Variant("n/a"), 950), mem + "from n/a To 950");
  EXPECT_EQ(NumberChangeText(mem, Variant(100000000.0), 3e9), mem + "from 100000000 To 3000000000");
}

TEST(HistoryText, PinnedMeansLeadingCaretOnText) {
  EXPECT_TRUE(IsPinned(Variant("^Dell")));
  EXPECT_TRUE(IsPinned(Variant("^")));
  EXPECT_FALSE(IsPinned(Variant("Dell^")));
  EXPECT_FALSE(IsPinned(Variant("")));
  EXPECT_FALSE(IsPinned(Variant::Null()));
  EXPECT_FALSE(IsPinned(Variant(512)));
}

TEST(HistoryCut, RemovesWholeOldestEntriesCountingCharactersNotBytes) {
  // 2990 characters of history plus a 45-character entry: the oldest go, the new stays.
  std::string history;
  while (history.size() < 2990 - 30) history += HistoryEntry("2003/02/13 08:00:00", "x" + std::to_string(history.size()));
  history += std::string(2990 - history.size() - 1, 'y') + "^";
  ASSERT_EQ(CharCount(history), 2990u);
  const std::string entry = HistoryEntry("2003/02/14 09:05:30", std::string(24, 'z'));
  ASSERT_EQ(entry.size(), 45u);
  std::string cut = history + entry;
  CutHistory(cut);
  EXPECT_LE(CharCount(cut), 3000u);
  EXPECT_TRUE(cut.ends_with(entry));
  EXPECT_TRUE((history + entry).ends_with(cut));
  EXPECT_EQ(cut, CutByRepeatedTrim(history + entry, 3000));
  // Exactly at the limit nothing is cut.
  std::string exact = std::string(2999, 'a') + "^";
  CutHistory(exact);
  EXPECT_EQ(exact.size(), 3000u);

}

// Entries of multi-byte characters, and limits below the length of one entry.
TEST(HistoryCut, OnePassCutEqualsRepeatedTrimOnManyShapes) {
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

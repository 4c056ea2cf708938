// The histories' texts. The change history: every form of an entry written and read
// back, the pinned rule, the reading of damaged histories and the cut to 3000 characters
// by whole entries. The free-space history: the last entry's day (damaged dates count as
// not today), the bound by the column's defined size, and the points and trend read back.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/drive_history_text.h"
#include "formats/history_text.h"
#include "scan/conversions.h"
#include "scan/time_text.h"

namespace korvane {
namespace {

// The cut as a person would do it: drop the oldest entry while the text is too long.
std::string CutByRepeatedTrim(std::string text, std::size_t limit) {
  while (CharCount(text) > limit && text.find('^') != std::string::npos) TrimHistory(text);
  return text;
}

// Every form of an entry, written by the scanner's builder and read back by the
// console's parser: kind, subject, part, from and to ("nothing" reads as empty text).
TEST(HistoryText, EveryFormIsWrittenAndReadBackOneCaseEach) {
  namespace h = history_text;
  const std::string memory = h::Changed(h::kPhysicalMemory);
  struct Case {
    const char* name;
    std::string text;      // as built
    std::string expected;  // the text itself
    std::string read;      // kind|subject|what|from|to
  };
  const std::vector<Case> cases{
      {"created", std::string(h::kCreated), "New Record Created", "Created||||"},
      {"text from nothing", TextChangeText(h::Changed(h::kModel), "", "Beta"), "Model changed from nothing To Beta",
       "Field|Model|||Beta"},
      {"text changed", TextChangeText(h::Changed(h::kModel), "a~b^", "c"), "Model changed from a~b^ To c",
       "Field|Model||a~b^|c"},  // the piece after a stored "^" continues the entry
      {"text to nothing", TextChangeText(h::Changed(h::kOSVersion), "5.1", ""), "OS Version changed from 5.1 To nothing",
       "Field|OS Version||5.1|"},
      {"number changed", NumberChangeText(memory, Variant(512.0), 1024.0), "Physical Memory changed from 512 To 1024",
       "Field|Physical Memory||512|1024"},
      {"large numbers in plain decimal", NumberChangeText(memory, Variant(100000000.0), 3e9),
       "Physical Memory changed from 100000000 To 3000000000", "Field|Physical Memory||100000000|3000000000"},
      {"number from nothing", NumberChangeText(memory, Variant(""), 950), "Physical Memory changed from nothing To 950",
       "Field|Physical Memory|||950"},
      {"number to nothing keeps a sign position", NumberChangeText(memory, Variant(950.0), 0),
       "Physical Memory changed from  950 To nothing", "Field|Physical Memory||950|"},
      {"zero to nothing", NumberChangeText(memory, Variant(0.0), 0), "Physical Memory changed from  0 To nothing",
       "Field|Physical Memory||0|"},
      {"negative to nothing", NumberChangeText(memory, Variant(-5.0), 0), "Physical Memory changed from -5 To nothing",
       "Field|Physical Memory||-5|"},
      {"stored text that is no number", NumberChangeText(memory, Variant("n/a"), 950),
       "Physical Memory changed from n/a To 950", "Field|Physical Memory||n/a|950"},
      {"processor", TextChangeText(h::Changed(h::ProcessorLabel(4)), "P3", "P4"), "Processor 4 changed from P3 To P4",
       "Field|Processor 4||P3|P4"},
      {"processor speed", NumberChangeText(h::Changed(h::ProcessorSpeedLabel(1)), Variant(2301.0), 2401),
       "Processor 1 speed changed from 2301 To 2401", "Field|Processor 1 speed||2301|2401"},
      {"drive size", NumberChangeText(h::Changed(h::DriveSizeLabel('D')), Variant(1000.0), 0),
       "Drive D: Size changed from  1000 To nothing", "Field|Drive D: Size||1000|"},
      {"drive system", TextChangeText(h::Changed(h::DriveSystemLabel('J')), "NTFS", "FAT32"),
       "Drive J: System changed from NTFS To FAT32", "Field|Drive J: System||NTFS|FAT32"},
      {"installed", h::SoftwareInstalledText("<b>Tool</b>"), "New Software installed : <b>Tool</b>",
       "Installed|<b>Tool</b>|||"},
      {"removed", h::SoftwareRemovedText("Old & Gone"), "Software removed : Old & Gone", "Removed|Old & Gone|||"},
      {"version", h::SoftwareChangedText("WinZip", "Version", "8.0", "9.0"), "WinZip Version changed from 8.0 To 9.0",
       "Software|WinZip|Version|8.0|9.0"},
      {"location", h::SoftwareChangedText("Office", "Location", "C:\\Office", "D:\\Office"),
       "Office Location changed from C:\\Office To D:\\Office", "Software|Office|Location|C:\\Office|D:\\Office"},
      {"product ID from empty", h::SoftwareChangedText("Office", "Product ID", "", "73931"),
       "Office Product ID changed from  To 73931", "Software|Office|Product ID||73931"},
      {"a program named like a field", h::SoftwareChangedText("OS", "Version", "1", "2"), "OS Version changed from 1 To 2",
       "Field|OS Version||1|2"},  // the field label wins
      {"a version to empty is not nothing", h::SoftwareChangedText("Tool", "Version", "1", "nothing"),
       "Tool Version changed from 1 To nothing", "Software|Tool|Version|1|nothing"},
  };
  const char* kinds[] = {"Created", "Field", "Installed", "Removed", "Software", "Other"};
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, c.expected) << c.name;
    const std::vector<StoredChange> read = ParseHistory(HistoryEntry("2003/02/15 10:00:00", c.text));
    ASSERT_FALSE(read.empty()) << c.name;
    const StoredChange& e = read[0];
    EXPECT_EQ(std::string(kinds[static_cast<int>(e.kind)]) + "|" + e.subject + "|" + e.what + "|" + e.from + "|" + e.to,
              c.read)
        << c.name;
  }
}

// Pinned: text whose first character is "^"; shown without it.
TEST(HistoryText, PinnedMeansACaretFirstOnTextOneCaseEach) {
  struct Case {
    Variant value;
    bool pinned;
    std::string shown;
  };
  for (const Case& c : {Case{Variant("^Dell"), true, "Dell"}, Case{Variant("^"), true, ""},
                        Case{Variant("^^Dell"), true, "^Dell"}, Case{Variant("Dell^"), false, "Dell^"},
                        Case{Variant(" ^Dell"), false, " ^Dell"}, Case{Variant(""), false, ""},
                        Case{Variant::Null(), false, ""}, Case{Variant(), false, ""}, Case{Variant(512), false, "512"},
                        Case{Variant(2.5), false, "2.5"}}) {
    EXPECT_EQ(IsPinned(c.value), c.pinned) << c.shown;
    EXPECT_EQ(UnpinnedText(c.value), c.shown);
  }
}

// What other hands leave in a history: a front cut mid-entry, values holding "^" and
// "~", entries of other tools, another computer's separators in the time stamp.
TEST(HistoryText, ReadingKeepsDamageAsTextAndValuesHoldingCaretsWhole) {
  const auto h = ParseHistory(
      "ged from 1 To 2^"  // the front cut off mid-entry by another tool
      "2003/02/14 09:05:30~New Record Created^"
      "2003/02/15 10:00:03~Model changed from A^B~C To D^"
      "2003/02/15 10:00:09~written by another tool^");
  ASSERT_EQ(h.size(), 4u);
  EXPECT_EQ(h[0].time, "");
  EXPECT_EQ(h[0].text, "ged from 1 To 2");
  EXPECT_EQ(h[0].kind, ChangeKind::Other);
  EXPECT_EQ(h[1].kind, ChangeKind::Created);
  EXPECT_EQ(h[2].text, "Model changed from A^B~C To D");
  EXPECT_EQ(h[2].from, "A^B~C");
  EXPECT_EQ(h[2].to, "D");
  EXPECT_EQ(h[3].kind, ChangeKind::Other);
  EXPECT_EQ(h[3].time, "2003/02/15 10:00:09");
  EXPECT_TRUE(ParseHistory("^^").empty());
  EXPECT_EQ(ParseHistory("2003.02.14 09.05.30~New Record Created^")[0].kind, ChangeKind::Created);
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

// Damaged dates cannot be read; without a comma nothing is cut off before the date is
// looked for; entries written under one locale read under any other, the reading needs no
// settings.
TEST(DriveHistoryText, LastEntryDayReadsTheDateAfterTheLastCaret) {
  for (const auto& [history, day] : std::vector<std::pair<std::string, std::optional<std::string>>>{
           {"^2003/02/14,1234^2003/02/15,1100", "20030215"}, {"^2003/2/5,7", "20030205"},
           {"^2003/02/14", "20030214"}, {"^2024. 03. 01,1^2024.03.02,1", "20240302"},
           {"^2024/03/02,1^2024. 03. 03,1", "20240303"}, {"^2003/02/14,1234^20x3/02/15,1100", std::nullopt},
           {"^2003/02/30,1", std::nullopt}, {"^2003/13/01,1", std::nullopt}, {"^,1", std::nullopt},
           {"^20030215,1100", std::nullopt},  // no separator at all
           // a separator that changes, a day followed by something else
           {"^2024. 03.01,1", std::nullopt}, {"^2024. 03. 01 x,1", std::nullopt}, {"^2024. 03. ,1", std::nullopt},
           {"^2024. ,1", std::nullopt}}) {
    EXPECT_EQ(LastEntryDay(history), day) << history;
  }
}

// The day is written "YYYY", separator, "MM", separator, "DD" with the separator the
// system reports for the user's short-date pattern: the text between the pattern's first
// two parts. Whatever the pattern, the entry must read back as its day, or every scan of
// the day would append another entry.
TEST(DriveHistoryText, EveryShortDatePatternsSeparatorReadsBack) {
  struct Locale {
    const char* name;
    const char* shortDate;  // the pattern as the locale's settings show it
    const char* separator;  // what the system reports as the date separator
  };
  // One locale of each separator (en-US, de-DE, hu-HU, ko-KR); then patterns users set
  // themselves: a blank alone, a non-breaking blank after a dot, a CJK unit character, a
  // separator of three characters.
  const std::vector<Locale> locales = {
      {"en-US", "M/d/yyyy", "/"},          {"de-DE", "dd.MM.yyyy", "."},
      {"hu-HU", "yyyy. MM. dd.", ". "},    {"ko-KR", "yyyy-MM-dd", "-"},
      {"user", "dd MM yyyy", " "},         {"user", "yyyy.\u00a0MM.\u00a0dd", ".\xC2\xA0"},
      {"user", "yyyy年M月d日", "\xE5\xB9\xB4"}, {"user", "yyyy - MM - dd", " - "},
  };
  const std::vector<LocalTime> days = {{2024, 3, 1}, {2003, 12, 31}, {2024, 2, 29}, {2026, 10, 9}};
  for (const Locale& locale : locales) {
    for (const LocalTime& day : days) {
      const std::string written = DateText(day, locale.separator);
      const std::string history = "^2003/02/14,1234" + DiskHistoryEntry(written, 1100);
      EXPECT_EQ(LastEntryDay(history), DayKey(day)) << locale.name << " " << locale.shortDate << ": " << written;
      // The same day as the pattern itself ends it, with the separator once more at the end.
      const std::string ended = written + locale.separator;
      EXPECT_EQ(LastEntryDay(DiskHistoryEntry(ended, 1100)), DayKey(day)) << locale.name << ": " << ended;
    }
  }
}

TEST(DriveHistoryText, OldestEntriesGoWhileTheTextWouldReachTheDefinedSize) {
  const std::string two = "^2003/02/14,1234^2003/02/15,1100";
  const std::string next = DiskHistoryEntry("2003/02/16", 1050);
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 49), two);  // 32 + 16 < 49: fits
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 48), "^2003/02/15,1100");  // 48 reaches 48
  // Too small for the newest stored entry beside the new one: both stored ones go.
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 30), "");
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 5), "");
  EXPECT_EQ(DropOldestDiskEntries("", next.size(), 5), "");
  // Characters, not bytes.
  const std::string wide = "^2003/02/14,1\xC3\xA9^2003/02/15,1";  // 27 characters, 28 bytes
  EXPECT_EQ(DropOldestDiskEntries(wide, 16, 44), wide);
}

TEST(DriveHistoryText, PointsDatesAndTrendAsTheConsoleReadsThem) {
  const auto p = ParseDiskHistory("3/02/13,99^2003/02/14,1234^2003/02/15,1200^2003/02/3x,5^2003/02/17,1100^2003/02/18,");
  ASSERT_EQ(p.size(), 6u);
  EXPECT_EQ(p[1].date, "2003/02/14");
  EXPECT_EQ(p[3].value, "5");
  EXPECT_EQ(DayNumber("2000/03/01").value() - DayNumber("2000/02/28").value(), 2);  // 2000 was a leap year
  EXPECT_FALSE(DayNumber("2003/02/29"));
  EXPECT_FALSE(DayNumber("2003/13/01"));
  EXPECT_EQ(DayNumber("2026/12/03 09:00:01").value() - DayNumber("2026/12/01").value(), 2);
  // Dates written under a locale whose separator holds a blank read as the scanner reads them.
  const auto hungarian = ParseDiskHistory("^2026. 12. 05,300^2026.12.06,200^2026. 12. 07.,100");
  ASSERT_EQ(hungarian.size(), 3u);
  EXPECT_TRUE(hungarian[0].valid && hungarian[1].valid && hungarian[2].valid);
  EXPECT_EQ(hungarian[2].day - hungarian[0].day, 2);
  EXPECT_EQ(hungarian[0].date, "2026. 12. 05");
  EXPECT_EQ(DayNumber("2026. 12. 05 09:00:01").value(), DayNumber("2026/12/05").value());
  EXPECT_FALSE(DayNumber("2026. 12.05"));
  EXPECT_FALSE(DayNumber("2026/12/051"));

  // Only 1234, 1200, 1100 on days 0, 1, 3 are points: the least-squares line loses 212 * 9 / 42 MB a day.
  const std::optional<double> trend = FreeSpaceTrend(p);
  ASSERT_TRUE(trend);
  EXPECT_NEAR(*trend, -212.0 * 9 / 42, 1e-9);
  EXPECT_FALSE(FreeSpaceTrend(ParseDiskHistory("^2003/02/14,1234")));
  EXPECT_FALSE(FreeSpaceTrend(ParseDiskHistory("")));
  // A value beyond any double is no point: the line through it would be NaN.
  EXPECT_FALSE(FreeSpaceTrend(ParseDiskHistory("^2003/01/12,2^2003/01/14,1e1100")));
  EXPECT_FALSE(FreeSpaceTrend(ParseDiskHistory("^2003/01/12,1e308^2003/01/13,1e308^2003/01/14,-1")));
}

}  // namespace
}  // namespace korvane

// The free-space history's text: the last entry's day (damaged dates count as not
// today), the bound by the column's defined size, and the points and trend read back.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scan/conversions.h"
#include "scan/time_text.h"
#include "formats/drive_history_text.h"

namespace korvane {
namespace {

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
  const std::vector<Locale> locales = {
      {"en-US", "M/d/yyyy", "/"},          {"en-GB", "dd/MM/yyyy", "/"},
      {"de-DE", "dd.MM.yyyy", "."},        {"hu-HU", "yyyy. MM. dd.", ". "},
      {"sk-SK", "d. M. yyyy", ". "},       {"ko-KR", "yyyy-MM-dd", "-"},
      {"ja-JP", "yyyy/MM/dd", "/"},        {"zh-CN", "yyyy/M/d", "/"},
      {"nl-NL", "d-M-yyyy", "-"},          {"sv-SE", "yyyy-MM-dd", "-"},
      {"lv-LV", "dd.MM.yyyy.", "."},       {"hr-HR", "d.M.yyyy.", "."},
      {"bg-BG", "d.M.yyyy 'г.'", "."},     {"ar-SA", "dd/MM/yy", "/"},
      {"fa-IR", "yyyy/MM/dd", "/"},        {"he-IL", "dd/MM/yyyy", "/"},
      {"en-ZA", "yyyy/MM/dd", "/"},        {"mn-MN", "yy.MM.dd", "."},
      {"kk-KZ", "dd.MM.yy", "."},          {"es-CL", "dd-MM-yyyy", "-"},
      // Patterns users set themselves: a blank alone, a non-breaking blank after a dot,
      // a CJK unit character, a separator of three characters.
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

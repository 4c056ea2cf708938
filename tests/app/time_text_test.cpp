// The stored time and date texts with a locale's separators, the decimal separator of
// the running progress value, and the pinned clock's text and arithmetic.
#include <gtest/gtest.h>

#include "scan/time_text.h"
#include "platform/pinned_clock.h"

namespace korvane {
namespace {

TEST(TimeText, PatternsKeepTheirOrderAndTakeTheSystemsSeparators) {
  const LocalTime t{2003, 2, 14, 9, 5, 30};
  EXPECT_EQ(TimeText(t), "2003/02/14 09:05:30");
  EXPECT_EQ(TimeText(t, ".", ":"), "2003.02.14 09:05:30");
  EXPECT_EQ(TimeText(t, "-", "."), "2003-02-14 09.05.30");
  EXPECT_EQ(DateText(t, "."), "2003.02.14");
  EXPECT_EQ(DayKey(t), "20030214");

  EXPECT_EQ(WithDecimalSeparator("52.6666666666667", ","), "52,6666666666667");
  EXPECT_EQ(WithDecimalSeparator("51", ","), "51");
}

TEST(PinnedClock, ReadsItsStartAndAddsTime) {
  const auto start = ParseClockText("2026-12-31 23:59:30");
  ASSERT_TRUE(start.has_value());
  EXPECT_EQ(TimeText(*start), "2026/12/31 23:59:30");
  EXPECT_EQ(TimeText(AddSeconds(*start, 45)), "2027/01/01 00:00:15");
  EXPECT_EQ(TimeText(AddSeconds(LocalTime{2024, 2, 28, 12, 0, 0}, 86400)), "2024/02/29 12:00:00");
  EXPECT_TRUE(ParseClockText("2026-12-01T09:00:00").has_value());
  EXPECT_FALSE(ParseClockText("2026-02-30 09:00:00").has_value());
  EXPECT_FALSE(ParseClockText("2026-12-01 24:00:00").has_value());
  EXPECT_FALSE(ParseClockText("2026-12-01").has_value());
}

}  // namespace
}  // namespace korvane

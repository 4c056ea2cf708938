// Start-up: the command line read into the scan context, the runtime's conversions, the
// time texts with a locale's separators, and the pinned clock.
#include <gtest/gtest.h>

#include "scan/conversions.h"
#include "app/form.h"
#include "scan/korvane.h"
#include "platform/pinned_clock.h"
#include "platform/runtime_error.h"
#include "scan/time_text.h"
#include "tests/support/doubles.h"

namespace korvane {
namespace {

struct StartUp {
  test::TestProcess process;
  test::RecordingConsole console;
  test::FixedClock clock;
  Korvane k{Platform{&process, &console, &clock, nullptr, nullptr}};

  explicit StartUp(const std::string& commandLine, bool withTemp = true) {
    process.commandLine = commandLine;
    if (withTemp) process.environment["TEMP"] = "C:\\Temp";
  }
  // Runs Form_Load; true when it ended the process.
  bool Load() {
    try {
      Form_Load(k);
      return false;
    } catch (ProcessEndedForTest) {
      return true;
    }
  }
};

// Malformed lines and where a well-formed one takes the scan are checked on the real
// executable; here, what those scans cannot tell.
TEST(StartUp, ReadsTheFieldsOfACommandLine) {
  // The console recognises the scanner's connection failures by this text.
  StartUp s("1234,PC01,SQLSRV,");
  ASSERT_FALSE(s.Load());
  EXPECT_EQ(s.k.ctx.ConnectionString,
            "Provider=SQLOLEDB;Data Source=SQLSRV;Initial Catalog=DrevantaAsset;"
            "Trusted_Connection=yes");

  // Fields are not trimmed, and the fourth may hold commas.
  StartUp untrimmed("77, PC 01 ,SQL,SRV,more");
  ASSERT_FALSE(untrimmed.Load());
  EXPECT_EQ(untrimmed.k.ctx.ComputerName, " PC 01 ");
  EXPECT_EQ(untrimmed.k.ctx.SqlServer, "SQL");

  // The user-only switch is the last two characters exactly.
  for (const auto& [line, userOnly] : {std::pair{"1234,PC01,SQLSRV,-u", true}, std::pair{"1234,PC01,SQLSRV,-U", false},
                                       std::pair{"1234,PC01,SQLSRV,x,y-u", true}, std::pair{"1234,PC01,SQLSRV,-u ", false},
                                       std::pair{"1234,PC01,SQLSRV,", false}}) {
    StartUp u(line);
    ASSERT_FALSE(u.Load()) << line;
    EXPECT_EQ(u.k.ctx.UserOnly, userOnly) << line;
  }

  // Without Temp, the log is at the root.
  StartUp noTemp("1,PC01", /*withTemp=*/false);
  ASSERT_TRUE(noTemp.Load());
  EXPECT_EQ(noTemp.process.files.count("\\DrevantaAssetDB.log"), 1u);
}

TEST(Conversions, NumbersAndTextFollowTheRuntimeRules) {
  EXPECT_EQ(NumberText(50 + 8 * (40.0 / 3.0) / 4.0), "76.6666666666667");
  for (const auto& [text, value] : {std::pair{" 12 ", 12}, {"2.5", 2}, {"3.5", 4}}) {  // half to even
    EXPECT_EQ(ToLong(Variant(text)), value) << text;
  }
  EXPECT_THROW(ToLong(Variant("12a")), RuntimeError);
  EXPECT_THROW(ToLong(Variant("")), RuntimeError);
  EXPECT_THROW(ToText(Variant::Null()), RuntimeError);
  EXPECT_EQ(ToText(Variant()), "");
  EXPECT_EQ(*WholeMegabytes(2.5 * 1024 * 1024, 2), 3);
  EXPECT_EQ(*WholeMegabytes(0.5 * 1024 * 1024, 2), 1);
  EXPECT_FALSE(WholeMegabytes(0.49 * 1024 * 1024, 2).has_value());
  EXPECT_FALSE(WholeMegabytes(300, 1).has_value());  // 300 KB free
  EXPECT_EQ(CharCount("Zürich"), 6u);
  EXPECT_EQ(FirstChars("5.1ü", 3), "5.1");
  EXPECT_EQ(FirstChars("üüüü", 3), "üüü");
}

TEST(TimeText, PatternsKeepTheirOrderAndTakeTheSystemsSeparators) {
  EXPECT_EQ(TimeText(LocalTime{2003, 2, 14, 9, 5, 30}, "-", "."), "2003-02-14 09.05.30");
  EXPECT_EQ(WithDecimalSeparator("52.6666666666667", ","), "52,6666666666667");
  EXPECT_EQ(WithDecimalSeparator("51", ","), "51");
}

TEST(PinnedClock, ReadsItsStartAndAddsTime) {
  const auto start = ParseClockText("2026-12-31 23:59:30");
  ASSERT_TRUE(start.has_value());
  EXPECT_EQ(TimeText(AddSeconds(*start, 45)), "2027/01/01 00:00:15");
  EXPECT_EQ(TimeText(AddSeconds(LocalTime{2024, 2, 28, 12, 0, 0}, 86400)), "2024/02/29 12:00:00");
  EXPECT_TRUE(ParseClockText("2026-12-01T09:00:00").has_value());
  for (const char* bad : {"2026-02-30 09:00:00", "2026-12-01 24:00:00", "2026-12-01"}) {
    EXPECT_FALSE(ParseClockText(bad)) << bad;
  }
}

}  // namespace
}  // namespace korvane

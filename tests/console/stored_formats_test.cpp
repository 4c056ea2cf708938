// The readers of the stored formats that show and report share, and the escaping that
// keeps a target's texts inert in HTML, JSON and CSV.
#include <gtest/gtest.h>

#include "console/escaping.h"
#include "console/stored_formats.h"

namespace korvane::console {
namespace {

const std::string kS = "\xC2\xA7";  // the section sign

TEST(StoredFormats, HistoryEntriesAreClassifiedAndDamageIsKeptAsText) {
  const auto h = ParseHistory(
      // the front cut off mid-entry by another tool
      "ged from 1 To 2^"
      "2003/02/14 09:05:30~New Record Created^"
      "2003/02/15 10:00:00~Physical Memory changed from 512 To 1024^"
      "2003/02/15 10:00:01~Drive D: Size changed from  950 To nothing^"
      "2003/02/15 10:00:02~Manufacturer changed from nothing To Dell^"
      "2003/02/15 10:00:03~Model changed from A^B~C To D^"  // a value holding ^ and ~
      "2003/02/15 10:00:04~OS Version changed from 5.0 To 5.1^"
      "2003/02/15 10:00:05~WinZip Version changed from 8.0 To 9.0^"
      "2003/02/15 10:00:06~Office Product ID changed from  To 73931^"
      "2003/02/15 10:00:07~New Software installed : <b>Tool</b>^"
      "2003/02/15 10:00:08~Software removed : Old & Gone^"
      "2003/02/15 10:00:09~written by another tool^");
  const char* kinds[] = {"Created", "Field", "Installed", "Removed", "Software", "Other"};
  std::vector<std::string> seen;  // kind|subject|what|from|to
  for (const HistoryEntry& e : h) {
    seen.push_back(std::string(kinds[static_cast<int>(e.kind)]) + "|" + e.subject + "|" + e.what + "|" + e.from + "|" + e.to);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"Other||||", "Created||||", "Field|Physical Memory||512|1024",
                                            "Field|Drive D: Size||950|", "Field|Manufacturer|||Dell",
                                            "Field|Model||A^B~C|D", "Field|OS Version||5.0|5.1",  // not a program "OS"
                                            "Software|WinZip|Version|8.0|9.0", "Software|Office|Product ID||73931",
                                            "Installed|<b>Tool</b>|||", "Removed|Old & Gone|||", "Other||||"}));
  EXPECT_EQ(h[0].time, "");
  EXPECT_EQ(h[0].text, "ged from 1 To 2");
  EXPECT_EQ(h[1].time, "2003/02/14 09:05:30");
  EXPECT_EQ(h[5].text, "Model changed from A^B~C To D");
  EXPECT_TRUE(ParseHistory("").empty());
  EXPECT_TRUE(ParseHistory("^^").empty());
  // Other separators of the scanning computer's settings still read as a time.
  EXPECT_EQ(ParseHistory("2003.02.14 09.05.30~New Record Created^")[0].kind, ChangeKind::Created);
}

TEST(StoredFormats, SoftwareAndServiceLists) {
  const auto s = ParseSoftwareList("Office" + kS + "11.0" + kS + "C:\\Office\\" + kS + "73931" + kS + "x^^WinZip" + kS +
                                   "9.0^" + kS + "1" + kS + kS);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].program, "Office");
  EXPECT_EQ(s[0].productId, "73931" + kS + "x");  // a further section sign stays in the ID
  EXPECT_EQ(s[1].program, "WinZip");               // after an empty item, unlike the scanner's comparison
  EXPECT_EQ(s[1].version, "9.0");
  EXPECT_EQ(s[1].location, "");
  EXPECT_EQ(s[2].program, "");
  EXPECT_TRUE(ParseSoftwareList("").empty());
  EXPECT_EQ(SplitList("Alerter^Computer Browser^").size(), 2u);
  EXPECT_TRUE(SplitList("").empty());
}

TEST(StoredFormats, DriveHistoryPointsDatesAndTrend) {
  const auto p = ParseDiskHistory("3/02/13,99^2003/02/14,1234^2003/02/15,1200^2003/02/3x,5^2003/02/17,1100^2003/02/18,");
  ASSERT_EQ(p.size(), 6u);
  EXPECT_FALSE(p[0].valid);  // cut at the front
  EXPECT_TRUE(p[1].valid);
  EXPECT_EQ(p[1].date, "2003/02/14");
  EXPECT_DOUBLE_EQ(p[1].megabytes, 1234);
  EXPECT_EQ(p[2].day - p[1].day, 1);
  EXPECT_FALSE(p[3].valid);
  EXPECT_EQ(p[3].value, "5");
  EXPECT_EQ(p[4].day - p[1].day, 3);
  EXPECT_FALSE(p[5].valid);
  EXPECT_EQ(DayNumber("1970/01/01"), 0);
  EXPECT_EQ(DayNumber("2000/03/01").value() - DayNumber("2000/02/28").value(), 2);  // 2000 was a leap year
  EXPECT_FALSE(DayNumber("2003/02/29"));
  EXPECT_FALSE(DayNumber("2003/13/01"));
  EXPECT_EQ(DayNumber("2026/12/03 09:00:01").value() - DayNumber("2026/12/01").value(), 2);

  // 1234, 1200, 1100 on days 0, 1, 3: the least-squares line loses 212 * 9 / 42 MB a day.
  const std::optional<double> trend = FreeSpaceTrend(p);
  ASSERT_TRUE(trend);
  EXPECT_NEAR(*trend, -212.0 * 9 / 42, 1e-9);
  EXPECT_FALSE(FreeSpaceTrend(ParseDiskHistory("^2003/02/14,1234")));
  EXPECT_FALSE(FreeSpaceTrend(ParseDiskHistory("")));
}

TEST(StoredFormats, TextsAreInertInEveryFormat) {
  const std::string hostile = "<script>alert('x')</script> \"quoted\" & more";
  EXPECT_EQ(Html(hostile),
            "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &quot;quoted&quot; &amp; more");
  EXPECT_EQ(Html("bad \xFF byte\x01"), "bad \xEF\xBF\xBD byte");
  EXPECT_EQ(JsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
  EXPECT_EQ(JsonString("\xC3\x28"), "\"\xEF\xBF\xBD(\"");
  EXPECT_EQ(CsvField("plain"), "plain");
  EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
  EXPECT_EQ(CsvField("say \"hi\"\r\nbye"), "\"say \"\"hi\"\"\r\nbye\"");
  EXPECT_EQ(ValidUtf8("Gr\xC3\xBC\xC3\x9F" "e \xED\xA0\x80"), "Gr\xC3\xBC\xC3\x9F" "e \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace korvane::console

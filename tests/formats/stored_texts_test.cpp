// The texts the scanners store, written and read back through their one owner each: the
// history, the software and service lists, the drive history, the progress values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "formats/drive_history_text.h"
#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "platform/connection_string.h"
#include "scan/progress.h"

namespace korvane {
namespace {

const std::string kS = "\xC2\xA7";  // the section sign

using Lines = std::vector<std::string>;

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
  for (const StoredChange& e : h) {
    seen.push_back(std::string(kinds[static_cast<int>(e.kind)]) + "|" + e.subject + "|" + e.what + "|" + e.from + "|" + e.to);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"Other||||", "Created||||", "Field|Physical Memory||512|1024",
                                            "Field|Drive D: Size||950|", "Field|Manufacturer|||Dell",
                                            "Field|Model||A^B~C|D", "Field|OS Version||5.0|5.1",  // not a program "OS"
                                            "Software|WinZip|Version|8.0|9.0", "Software|Office|Product ID||73931",
                                            "Installed|<b>Tool</b>|||", "Removed|Old & Gone|||", "Other||||"}));
  EXPECT_EQ(h[0].time, "");
  EXPECT_EQ(h[0].text, "ged from 1 To 2");
  EXPECT_EQ(h[5].text, "Model changed from A^B~C To D");
  EXPECT_TRUE(ParseHistory("^^").empty());
  // Other separators of the scanning computer's settings still read as a time.
  EXPECT_EQ(ParseHistory("2003.02.14 09.05.30~New Record Created^")[0].kind, ChangeKind::Created);
}

TEST(StoredFormats, SoftwareAndServiceLists) {
  const auto s = ParseSoftwareList("Office" + kS + "11.0" + kS + "C:\\Office\\" + kS + "73931" + kS + "x^^WinZip" + kS +
                                   "9.0^" + kS + "1" + kS + kS);
  Lines items;  // program|version|location|product ID
  for (const SoftwareEntry& i : s) items.push_back(i.Program + "|" + i.Version + "|" + i.Location + "|" + i.ProductID);
  // A further section sign stays in the ID; WinZip follows an empty item, unlike in the scanner's comparison.
  EXPECT_EQ(items, (Lines{"Office|11.0|C:\\Office\\|73931" + kS + "x", "WinZip|9.0||", "|1||"}));
  EXPECT_EQ(SplitList("Alerter^Computer Browser^"), (Lines{"Alerter", "Computer Browser"}));
}

TEST(StoredFormats, DriveHistoryPointsDatesAndTrend) {
  const auto p = ParseDiskHistory("3/02/13,99^2003/02/14,1234^2003/02/15,1200^2003/02/3x,5^2003/02/17,1100^2003/02/18,");
  ASSERT_EQ(p.size(), 6u);
  EXPECT_EQ(p[1].date, "2003/02/14");
  EXPECT_EQ(p[3].value, "5");
  EXPECT_EQ(DayNumber("2000/03/01").value() - DayNumber("2000/02/28").value(), 2);  // 2000 was a leap year
  EXPECT_FALSE(DayNumber("2003/02/29"));
  EXPECT_FALSE(DayNumber("2003/13/01"));
  EXPECT_EQ(DayNumber("2026/12/03 09:00:01").value() - DayNumber("2026/12/01").value(), 2);

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

// Every stored text is spelled by its owner only: a label or separator written in a
// second place would drift from the reading of it. Comment lines do not count.
TEST(StoredTexts, EachTextIsSpelledInItsOwnerOnly) {
  namespace fs = std::filesystem;
  const fs::path root = KORVANE_SOURCE_DIR;
  std::vector<std::pair<std::string, std::string>> files;  // path, code without comment lines
  for (const char* floor : {"app", "collect", "console", "formats", "inventory", "lab", "platform", "reach", "scan"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / floor)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(entry.path());
      std::string line, code;
      while (std::getline(in, line)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line.compare(first, 2, "//") == 0) continue;
        code += line + "\n";
      }
      files.emplace_back(fs::relative(entry.path(), root).generic_string(), std::move(code));
    }
  }
  auto spelledIn = [&](const std::string& needle) {
    std::set<std::string> where;
    for (const auto& [path, code] : files) {
      if (code.find(needle) != std::string::npos) where.insert(path);
    }
    return where;
  };
  using Where = std::set<std::string>;
  const Where history{"formats/history_text.cpp", "formats/history_text.h"};
  for (std::string_view label : history_text::kFixedLabels) {
    EXPECT_EQ(spelledIn("\"" + std::string(label) + " changed"), Where{}) << label;
  }
  for (const char* text : {"\"New Record Created\"", "\"New Software installed : \"", "\"Software removed : \"",
                           "\" changed from \""}) {
    EXPECT_EQ(spelledIn(text), Where{"formats/history_text.h"}) << text;
  }
  for (const char* text : {"from nothing To ", " To nothing\"", "\" changed \""}) {
    EXPECT_EQ(spelledIn(text), Where{"formats/history_text.cpp"}) << text;
  }
  EXPECT_EQ(spelledIn("\\xC2\\xA7"), Where{"formats/software_list_text.h"});
  EXPECT_EQ(spelledIn("SQLOLEDB"), Where{"platform/connection_string.cpp"});
  EXPECT_EQ(spelledIn("Initial Catalog"), Where{"platform/connection_string.cpp"});
  EXPECT_EQ(spelledIn("\"Complete\""), Where{"scan/progress.h"});
}

}  // namespace
}  // namespace korvane

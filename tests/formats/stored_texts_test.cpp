// The software and service lists, the progress values, and the rule that every stored
// text is spelled by its one owner.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "scan/progress.h"

namespace korvane {
namespace {

const std::string kS = "\xC2\xA7";  // the section sign

using Lines = std::vector<std::string>;

TEST(StoredFormats, SoftwareAndServiceLists) {
  const auto s = ParseSoftwareList("Office" + kS + "11.0" + kS + "C:\\Office\\" + kS + "73931" + kS + "x^^WinZip" + kS +
                                   "9.0^" + kS + "1" + kS + kS);
  Lines items;  // program|version|location|product ID
  for (const SoftwareEntry& i : s) items.push_back(i.Program + "|" + i.Version + "|" + i.Location + "|" + i.ProductID);
  // A further section sign stays in the ID; WinZip follows an empty item, unlike in the scanner's comparison.
  EXPECT_EQ(items, (Lines{"Office|11.0|C:\\Office\\|73931" + kS + "x", "WinZip|9.0||", "|1||"}));
  EXPECT_EQ(SplitList("Alerter^Computer Browser^"), (Lines{"Alerter", "Computer Browser"}));
  // The views count items without making them, and count what SplitList makes.
  for (const std::string list : {"", "^", "^^a", "a", "a^^b^", "^a^b^^^c^"}) {
    EXPECT_EQ(CountListItems(list), SplitList(list).size()) << list;
  }
}

// The running value over the programs of the software stage, at its boundaries: a line
// each time a whole point is gained, exactly one point included, up to the value sent
// after the stage.
TEST(ProgressValues, TheSoftwareRunReportsEachWholePointGained) {
  auto run = [](long long programs) {
    progress::SoftwareRun r(programs);
    std::vector<double> sent;
    for (long long i = 0; i < programs; ++i) {
      if (const std::optional<double> v = r.Next()) sent.push_back(*v);
    }
    return sent;
  };
  auto from = [](double first, double step, int count) {
    std::vector<double> values;
    for (int i = 0; i < count; ++i) values.push_back(first + step * i);
    return values;
  };
  // The step is the span over one program fewer than there are, so the last program
  // takes the value one step past kSoftwareFrom + kSoftwareSpan.
  EXPECT_EQ(run(2), (std::vector<double>{90, 130}));
  EXPECT_EQ(run(3), (std::vector<double>{70, 90, 110}));        // the value, not the points gained
  EXPECT_EQ(run(5), (std::vector<double>{60, 70, 80, 90, 100}));
  EXPECT_EQ(run(41), from(51, 1, 41));                          // exactly one point each time
  EXPECT_EQ(run(81), from(51, 1, 40));                          // a line every second program
}

// A line is taken apart at its last comma, as the scanner made it.
TEST(ProgressValues, LinesAreReadAsTheScannerWritesThem) {
  // A decimal point or comma; a name holding a comma; a start-up that failed before the
  // name was known.
  for (const auto& [line, computer, percent, complete] : std::vector<std::tuple<std::string, std::string, double, bool>>{
           {"PC01,52.6666666666667", "PC01", 52.6666666666667, false}, {"PC01,52,6666666666667", "PC01", 52.6666666666667, false},
           {"PC,01,Complete", "PC,01", -1, true}, {",Complete", "", -1, true},
           {"PC01,12%", "PC01", -1, false}}) {
    const progress::Line p = progress::ParseLine(line);
    EXPECT_EQ(p.computer, computer) << line;
    EXPECT_DOUBLE_EQ(p.percent.value_or(-1), percent) << line;
    EXPECT_EQ(p.complete, complete) << line;
  }
  EXPECT_FALSE(progress::ParseLine("garbage").complete);

  for (const std::string computer : {"PC01", "PC,01", "PC,ONE", ""}) {
    EXPECT_EQ(progress::ParseLine(progress::LineText(computer, progress::kComplete)).computer, computer);
  }
  // A name whose last comma is followed by up to three digits reads as the whole part of
  // a number written with a decimal comma; other names keep their commas.
  for (const std::string computer : {"PC01", "PC,ONE", ""}) {
    EXPECT_EQ(progress::ParseLine(progress::LineText(computer, progress::Item(progress::kCollected))).percent,
              progress::kCollected);
  }
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
  EXPECT_EQ(spelledIn("+ \"~\" +"), Where{"formats/drive_history_text.cpp"});  // a drive row's key
  EXPECT_EQ(spelledIn("SQLOLEDB"), Where{"platform/connection_string.cpp"});
  EXPECT_EQ(spelledIn("Initial Catalog"), Where{"platform/connection_string.cpp"});
  EXPECT_EQ(spelledIn("\"Complete\""), Where{"scan/progress.h"});
}

}  // namespace
}  // namespace korvane

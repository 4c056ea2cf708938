// What lab files rely on in their JSON: member order and duplicate members, whole numbers
// versus fractions, NUL inside strings, a file of tens of thousands of keys, and where a
// broken file is reported (line and column in characters).
#include "lab/model/lab_json.h"

#include <gtest/gtest.h>

#include <string>

#include "lab/model/lab_computer.h"

namespace korvane::lab {
namespace {

LabJson MustParse(std::string_view text) {
  JsonError error;
  std::optional<LabJson> value = ParseLabJson(text, &error);
  EXPECT_TRUE(value.has_value()) << error.ToString();
  return value.value_or(LabJson());
}

JsonError ErrorOf(std::string_view text) {
  JsonError error;
  EXPECT_FALSE(ParseLabJson(text, &error).has_value()) << text;
  return error;
}

TEST(LabJson, WrittenBackMembersKeepFileOrderNumbersStayWholeOrFractionalAndStringsKeepNul) {
  // A member written twice keeps its first place and takes its last value.
  EXPECT_EQ(DumpLabJson(MustParse(R"({"zeta": 1, "Alpha": 2, "mid": 3, "zeta": 4})")),
            R"({"zeta":4,"Alpha":2,"mid":3})");
  const LabJson n = MustParse("[0, -7, 2147483648, 1.5, 3.0, 1e3, \"a\\u0000b\", \"\\u00a7\"]");
  // A fraction keeps its point and NUL its escape: the same value reads back.
  const std::string text = DumpLabJson(n);
  EXPECT_EQ(text, "[0,-7,2147483648,1.5,3.0,1000.0,\"a\\u0000b\",\"\xC2\xA7\"]");
  EXPECT_EQ(MustParse(text), n);
}

TEST(LabJson, ABrokenFileIsReportedByLineAndColumnInCharacters) {
  // The two-byte section sign counts as one column.
  for (const auto& [text, where] : std::vector<std::pair<std::string, std::string>>{
           {"{\n  \"a\": 1,\n  \"b\" 2\n}", "line 3, column 7: "}, {"[\"\xC2\xA7\", tru]", "line 1, column 10: "}}) {
    const std::string error = ErrorOf(text).ToString();
    EXPECT_TRUE(error.starts_with(where)) << error;
  }
  for (const std::string& bad : {std::string("{} x"), std::string(""), std::string("[1e999]")}) {
    EXPECT_FALSE(ErrorOf(bad).message.empty()) << bad;
  }
  EXPECT_EQ(ErrorOf(std::string(300, '[') + std::string(300, ']')).message, "nesting deeper than 256 levels");
  // A byte order mark and surrounding white space are fine.
  EXPECT_TRUE(MustParse("\xEF\xBB\xBF \r\n\t{}\n").is_object());
}

TEST(LabJson, AComputerOfTwentyThousandRegistryKeysReadsAndWritesBack) {
  std::string text = R"({"registry": {"keys": {)";
  for (int i = 0; i < 20000; ++i) {
    if (i > 0) text += ',';
    text += "\"HKEY_LOCAL_MACHINE\\\\Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\P" +
            std::to_string(i) + "\": {\"DisplayName\": \"Program " + std::to_string(i) + "\"}";
  }
  text += "}}}";
  std::string problem;
  const auto computer = ReadComputerFile("PC01", text, problem);
  ASSERT_NE(computer, nullptr) << problem;
  // Written back, it is the file it was read from, keys in the same order.
  EXPECT_EQ(WriteComputer(*computer)["registry"]["keys"], MustParse(text)["registry"]["keys"]);
}

}  // namespace
}  // namespace korvane::lab

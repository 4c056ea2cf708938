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

TEST(LabJson, MembersKeepFileOrderAndADuplicateKeepsItsFirstPlaceWithTheLastValue) {
  const LabJson j = MustParse(R"({"zeta": 1, "Alpha": 2, "mid": 3, "zeta": 4})");
  std::vector<std::string> order;
  for (auto it = j.begin(); it != j.end(); ++it) order.push_back(it.key());
  EXPECT_EQ(order, (std::vector<std::string>{"zeta", "Alpha", "mid"}));
  EXPECT_EQ(j.at("zeta"), 4);
  EXPECT_EQ(DumpLabJson(j), R"({"zeta":4,"Alpha":2,"mid":3})");
}

TEST(LabJson, NumbersStayWholeOrFractionalAndStringsKeepNul) {
  const LabJson n = MustParse("[0, -7, 2147483648, 1.5, 3.0, 1e3, \"a\\u0000b\", \"\\u00a7\"]");
  EXPECT_TRUE(n[0].is_number_integer());
  EXPECT_TRUE(n[2].is_number_integer());
  EXPECT_TRUE(n[3].is_number_float());
  EXPECT_TRUE(n[4].is_number_float());
  EXPECT_TRUE(n[5].is_number_float());
  EXPECT_EQ(n[6].get<std::string>(), std::string("a\0b", 3));
  EXPECT_EQ(n[7].get<std::string>(), "\xC2\xA7");
  // Written back, a fraction keeps its point and NUL its escape: the same value reads back.
  const std::string text = DumpLabJson(n);
  EXPECT_EQ(text, "[0,-7,2147483648,1.5,3.0,1000.0,\"a\\u0000b\",\"\xC2\xA7\"]");
  EXPECT_EQ(MustParse(text), n);
  EXPECT_EQ(DumpLabJson(LabJson(std::numeric_limits<double>::infinity())), "null");
}

TEST(LabJson, ABrokenFileIsReportedByLineAndColumnInCharacters) {
  JsonError e = ErrorOf("{\n  \"a\": 1,\n  \"b\" 2\n}");
  EXPECT_EQ(e.line, 3u);
  EXPECT_EQ(e.column, 7u);
  EXPECT_NE(e.ToString().find("line 3, column 7: "), std::string::npos) << e.ToString();
  EXPECT_NE(e.message.find("':'"), std::string::npos) << e.message;
  // The two-byte section sign counts as one column.
  e = ErrorOf("[\"\xC2\xA7\", tru]");
  EXPECT_EQ(e.line, 1u);
  EXPECT_EQ(e.column, 10u);
  for (const std::string& bad : {std::string("{\"a\": 1,}"), std::string("\"abc"), std::string("{} x"),
                                std::string(""), std::string("[\"\xC3\x28\"]"), std::string("[\"a\nb\"]"),
                                std::string("[01]"), std::string("[1e999]")}) {
    e = ErrorOf(bad);
    EXPECT_GE(e.line, 1u) << bad;
    EXPECT_FALSE(e.message.empty()) << bad;
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
  const RegistryNode* uninstall =
      computer->registry->Find("HKLM\\software\\microsoft\\windows\\currentversion\\uninstall");
  ASSERT_NE(uninstall, nullptr);
  ASSERT_EQ(uninstall->subkeys().size(), 20000u);
  EXPECT_EQ(uninstall->subkeys()[12345]->name, "P12345");
  ASSERT_NE(uninstall->FindSubkey("p19999"), nullptr);
  EXPECT_EQ(uninstall->FindSubkey("p19999")->FindValue("displayname")->AsText(), "Program 19999");

  // Written and read again, it is the same computer, keys in the same order.
  const auto again = ReadComputerFile("PC01", DumpLabJson(WriteComputer(*computer)), problem);
  ASSERT_NE(again, nullptr) << problem;
  const RegistryNode* copied = again->registry->Find(
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  ASSERT_EQ(copied->subkeys().size(), 20000u);
  EXPECT_EQ(copied->subkeys()[12345]->name, "P12345");
}

}  // namespace
}  // namespace korvane::lab

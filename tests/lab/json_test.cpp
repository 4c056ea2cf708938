// The lab's JSON reader and writer: what lab files rely on (member order, NUL and
// surrogate escapes, integer vs fraction) and where a broken file is reported.
#include "lab/model/json.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvane {
namespace {

Json MustParse(std::string_view text) {
  JsonError error;
  std::optional<Json> value = ParseJson(text, &error);
  EXPECT_TRUE(value.has_value()) << error.ToString();
  return value.value_or(Json());
}

JsonError ErrorOf(std::string_view text) {
  JsonError error;
  EXPECT_FALSE(ParseJson(text, &error).has_value()) << text;
  return error;
}

TEST(JsonTest, ObjectsKeepMemberOrderAndDuplicatesKeepFirstPosition) {
  Json j = MustParse(R"({"zeta": 1, "Alpha": 2, "mid": 3, "zeta": 4})");
  ASSERT_TRUE(j.IsObject());
  ASSERT_EQ(j.members().size(), 3u);
  EXPECT_EQ(j.members()[0].first, "zeta");
  EXPECT_EQ(j.members()[0].second.AsInteger(), 4);
  EXPECT_EQ(j.members()[1].first, "Alpha");
  EXPECT_EQ(j.members()[2].first, "mid");
  EXPECT_EQ(j.Find("alpha"), nullptr);
  ASSERT_NE(j.FindNoCase("ALPHA"), nullptr);
  EXPECT_EQ(j.FindNoCase("ALPHA")->AsInteger(), 2);
}

TEST(JsonTest, StringEscapesIncludingNulAndSurrogatePairs) {
  Json j = MustParse(R"(["a\u0000b", "\ud83d\ude00", "\u00e9\u20ac", "q\"\\\/\b\f\n\r\t", "\u00A7"])");
  const auto& items = j.items();
  EXPECT_EQ(items[0].AsString(), std::string("a\0b", 3));
  EXPECT_EQ(items[1].AsString(), "\xF0\x9F\x98\x80");  // U+1F600
  EXPECT_EQ(items[2].AsString(), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(items[3].AsString(), "q\"\\/\b\f\n\r\t");
  EXPECT_EQ(items[4].AsString(), "\xC2\xA7");
  // Raw UTF-8 passes through unchanged.
  EXPECT_EQ(MustParse("\"\xC2\xA7 \xF0\x9F\x98\x80\"").AsString(), "\xC2\xA7 \xF0\x9F\x98\x80");

  EXPECT_EQ(ErrorOf(R"(["\ud83d"])").message, "unpaired high surrogate");
  EXPECT_EQ(ErrorOf(R"(["\ude00"])").message, "unpaired low surrogate");
  EXPECT_EQ(ErrorOf(R"(["\ud83d\u0041"])").message, "unpaired high surrogate");
  EXPECT_EQ(ErrorOf("[\"\xC3\x28\"]").message, "text is not valid UTF-8");
  EXPECT_EQ(ErrorOf("[\"\xED\xA0\x80\"]").message, "text is not valid UTF-8");  // encoded surrogate
  EXPECT_EQ(ErrorOf("[\"a\nb\"]").message, "control character in string (write it as an escape)");
  EXPECT_EQ(ErrorOf(R"(["\x41"])").message, "unknown escape '\\x'");
}

TEST(JsonTest, NumbersKeepIntegerOrFraction) {
  Json j = MustParse("[0, -7, 2147483648, 9223372036854775807, 99999999999999999999, 1.5, 3.0, 1e3, -0.25E-2]");
  const auto& n = j.items();
  EXPECT_EQ(n[0].type(), Json::Type::Integer);
  EXPECT_EQ(n[1].AsInteger(), -7);
  EXPECT_EQ(n[2].AsInteger(), 2147483648);
  EXPECT_EQ(n[3].AsInteger(), INT64_MAX);
  EXPECT_EQ(n[4].type(), Json::Type::Fraction);  // beyond 64 bits
  EXPECT_DOUBLE_EQ(n[4].AsNumber(), 1e20);
  EXPECT_EQ(n[5].type(), Json::Type::Fraction);
  EXPECT_EQ(n[6].type(), Json::Type::Fraction);
  EXPECT_EQ(n[7].type(), Json::Type::Fraction);
  EXPECT_DOUBLE_EQ(n[7].AsNumber(), 1000.0);
  EXPECT_DOUBLE_EQ(n[8].AsNumber(), -0.0025);

  EXPECT_EQ(ErrorOf("[01]").message, "leading zeros are not allowed in numbers");
  EXPECT_EQ(ErrorOf("[1.]").message, "expected a digit after the decimal point");
  EXPECT_EQ(ErrorOf("[-]").message, "expected a digit");
  EXPECT_EQ(ErrorOf("[1e999]").message, "number out of range");
}

TEST(JsonTest, ErrorsNameLineAndColumn) {
  JsonError e = ErrorOf("{\n  \"a\": 1,\n  \"b\" 2\n}");
  EXPECT_EQ(e.line, 3u);
  EXPECT_EQ(e.column, 7u);
  EXPECT_EQ(e.ToString(), "line 3, column 7: expected ':' after the member name");

  // Columns count characters: the two-byte section sign is one column.
  e = ErrorOf("[\"\xC2\xA7\", tru]");
  EXPECT_EQ(e.line, 1u);
  EXPECT_EQ(e.column, 7u);

  EXPECT_EQ(ErrorOf("{\"a\": 1,}").message, "expected a member name in double quotes");
  EXPECT_EQ(ErrorOf("[1 2]").message, "expected ',' or ']'");
  EXPECT_EQ(ErrorOf("{\"a\": 1").message, "unexpected end of text, expected ',' or '}'");
  EXPECT_EQ(ErrorOf("\"abc").message, "unterminated string");
  EXPECT_EQ(ErrorOf("{} x").message, "unexpected text after the JSON value");
  EXPECT_EQ(ErrorOf("").message, "unexpected end of text, expected a value");
  EXPECT_EQ(ErrorOf(std::string(300, '[') + std::string(300, ']')).message,
            "nesting deeper than 256 levels");
  EXPECT_FALSE(ParseJson("nul").has_value());  // no error object asked for: still just fails
  // A byte order mark and surrounding white space are fine.
  EXPECT_TRUE(MustParse("\xEF\xBB\xBF \r\n\t{}\n").IsObject());
}

TEST(JsonTest, DumpRoundTripsAndBuildsCleanly) {
  Json computer = Json::MakeObject();
  computer.Set("aliases", Json::MakeArray({"PC01.corp.example"}))
      .Set("echo", true)
      .Set("address", "10.0.0.1")
      .Set("size", int64_t{40007729152})
      .Set("speed", 2793)
      .Set("ratio", 3.0)
      .Set("nothing", nullptr)
      .Set("text", std::string("a\0b\x01\"\\\n\xC2\xA7", 9))
      .Set("empty", Json::MakeObject())
      .Set("list", Json::MakeArray());
  computer.Set("echo", false);  // replaced in place
  Json nested;
  nested.Push(1).Push(Json::MakeObject().Set("k", "v"));
  computer.Set("nested", nested);

  const std::string compact = Dump(computer);
  EXPECT_EQ(compact,
            R"({"aliases":["PC01.corp.example"],"echo":false,"address":"10.0.0.1",)"
            R"("size":40007729152,"speed":2793,"ratio":3.0,"nothing":null,)"
            R"("text":"a\u0000b\u0001\"\\\n)"
            "\xC2\xA7"
            R"(","empty":{},"list":[],"nested":[1,{"k":"v"}]})");
  EXPECT_EQ(MustParse(compact), computer);

  const std::string pretty = Dump(computer, true);
  EXPECT_NE(pretty.find("{\n  \"aliases\": [\n    \"PC01.corp.example\"\n  ],\n  \"echo\": false,"),
            std::string::npos)
      << pretty;
  EXPECT_NE(pretty.find("\"empty\": {},"), std::string::npos);
  EXPECT_EQ(MustParse(pretty), computer);

  EXPECT_EQ(Dump(Json(0.1)), "0.1");
  EXPECT_EQ(Dump(Json(1e300)), "1e+300");
  EXPECT_EQ(Dump(Json(std::numeric_limits<double>::infinity())), "null");
  // Beyond the signed 64-bit range a whole number can only be kept as a fraction.
  EXPECT_EQ(Json(uint64_t{18446744073709551615u}).type(), Json::Type::Fraction);
  EXPECT_EQ(Json(uint64_t{9223372036854775807u}).type(), Json::Type::Integer);
  EXPECT_EQ(Dump(Json(-5)), "-5");
}

TEST(JsonTest, DamagedTextIsRejectedWithAPositionNeverACrash) {
  const std::string good = R"({"aliases": ["PC01"], "wmi": {"classes": {"Win32_BIOS": [{"SerialNumber": "\u00a7\ud83d\ude00", "N": -1.5e3}]}}, "echo": {"status": 11003}, "x": [true, false, null]})";
  ASSERT_TRUE(ParseJson(good).has_value());
  // Deterministic damage: cut the text short, drop, repeat or replace one byte.
  uint32_t state = 12345;
  auto next = [&state] { return state = state * 1103515245u + 12345u; };
  int rejected = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string text = good;
    const std::size_t at = next() % text.size();
    switch (next() % 4) {
      case 0: text.resize(at); break;
      case 1: text.erase(at, 1); break;
      case 2: text.insert(at, 1, text[at]); break;
      default: text[at] = static_cast<char>(next() & 0xFF); break;
    }
    JsonError error;
    std::optional<Json> value = ParseJson(text, &error);
    if (value) {
      EXPECT_EQ(ParseJson(Dump(*value)), value) << text;  // whatever reads, writes back
    } else {
      ++rejected;
      EXPECT_GE(error.line, 1u) << text;
      EXPECT_GE(error.column, 1u) << text;
      EXPECT_LE(error.column, text.size() + 1) << text;
      EXPECT_FALSE(error.message.empty()) << text;
    }
  }
  EXPECT_GT(rejected, 1000);
}

}  // namespace
}  // namespace korvane

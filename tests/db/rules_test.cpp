// The pure rules of the database layer: query-text surgery, reading the connection
// string, wide text, and the choice of backend. (The surgery that only places a locator
// or recognises a whole table, and declared sizes, show in the contract suite.)
#include <gtest/gtest.h>

#include <iconv.h>

#include "platform/db/case_fold.h"
#include "platform/connection_string.h"
#include "platform/db/database_server.h"
#include "platform/db/sql_text.h"
#include "platform/utf16.h"
#include "platform/storable_text.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::db {
namespace {

TEST(SqlText, TheNationalPrefixIsDroppedOutsideQuotedTextOnly) {
  EXPECT_EQ(RemoveNationalPrefix("WHERE a = N'x' OR b = n'y'"), "WHERE a = 'x' OR b = 'y'");
  // An N that ends a name is part of the name; quoted names are left alone.
  EXPECT_EQ(RemoveNationalPrefix("SELECT PLAN'x'"), "SELECT PLAN'x'");
  EXPECT_EQ(RemoveNationalPrefix("SELECT \"N'\" , [N'] FROM t"), "SELECT \"N'\" , [N'] FROM t");
  // An unterminated literal is copied as it stands (the engine reports it).
  EXPECT_EQ(RemoveNationalPrefix("WHERE a = N'x"), "WHERE a = 'x");
}

// (The per-computer queries themselves, apostrophes and all, run in the contract suite.)
TEST(SqlText, OnlyOneComparisonOfAColumnWithATextLiteralIsAKeyComparison) {
  EXPECT_TRUE(FindKeyComparison("SELECT * FROM DriveHistory where DiskComputer='PC~C';"));
  // Anything more than the one comparison, or an unterminated literal, is not one.
  for (const char* where : {"WHERE (Computer = 'A') OR 1=1", "WHERE (Computer = 'A'", "WHERE (Computer = 'A)",
                            "WHERE Computer = Model", ""}) {
    EXPECT_FALSE(FindKeyComparison(std::string("SELECT * FROM Asset ") + where)) << where;
  }
}

TEST(StoredText, NulAndBytesThatAreNotUtf8HaveOneStorableForm) {
  EXPECT_EQ(StorableText(std::string("a\0b\0", 4)), "a b ");
  // Valid UTF-8 stays (single high bytes: the test below).
  EXPECT_EQ(StorableText("\u00C4RZTE \U0001F600"), "\u00C4RZTE \U0001F600");
  // Overlong forms, surrogates and cut sequences are not UTF-8.
  EXPECT_EQ(StorableText("\xC0\xAF \xED\xA0\x80 \xE2\x82"), "\u00C0\u00AF \u00ED\u00A0\u20AC \u00E2\u201A");
  const std::string once = StorableText("x\xE9\0\xFF");
  EXPECT_EQ(StorableText(once), once);
}

// Every byte from 0x80 to 0xFF on its own, against the system's own converter: the
// code page's character, or, for the five bytes it leaves undefined, the C1 control of
// the same number.
TEST(StoredText, EveryHighByteIsItsWindows1252CharacterAsTheSystemConverts) {
  iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "the system converter knows no WINDOWS-1252";
  int undefined = 0;
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string expected;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      ++undefined;
      expected = {static_cast<char>(0xC2), static_cast<char>(byte)};  // U+0080 to U+009F
    } else {
      expected.assign(out, sizeof out - outLeft);
    }
    EXPECT_EQ(StorableText(std::string(1, static_cast<char>(byte))), expected) << std::hex << byte;
  }
  iconv_close(cd);
  EXPECT_EQ(undefined, 5);
}

TEST(CaseFold, KeysFoldInEveryScriptButNeverIntoAscii) {
  EXPECT_EQ(FoldKey("\u041C\u041E\u0421\u041A\u0412\u0410"), "\u043C\u043E\u0441\u043A\u0432\u0430");
  EXPECT_EQ(FoldKey("\u0100\u0101\u0102"), "\u0101\u0101\u0103");  // alternating pairs
  // The dotted capital I and the Kelvin sign stay: ASCII names compare as NOCASE does.
  EXPECT_EQ(FoldKey("\u0130\u212A"), "\u0130\u212A");
  EXPECT_EQ(FoldKey("PC_01 \xFF\xDC"), "pc_01 \xC3\xBF\xC3\xBC");  // Latin-1, read as Windows-1252
}

TEST(ConnectionString, DataSourceAndCatalogAreReadWithoutRegardToCase) {
  const auto t = ParseConnectionString(
      "Provider=SQLOLEDB;Data Source=/srv/inv dir;Initial Catalog=DrevantaAsset;Trusted_Connection=yes");
  EXPECT_EQ(t.dataSource, "/srv/inv dir");
  EXPECT_EQ(t.catalog, "DrevantaAsset");
  EXPECT_EQ(ParseConnectionString("data source=SQLSRV;initial catalog=Other").catalog, "Other");
  EXPECT_EQ(ParseConnectionString("Provider=SQLOLEDB;Data Source=;Initial Catalog=X").dataSource, "");
}

TEST(WideText, Utf8RoundTripsThroughUtf16AndBadBytesBecomeReplacements) {
  const std::string text = "PC \xC2\xA7 Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";
  const std::u16string wide = ToUtf16(text);
  EXPECT_EQ(wide.size(), 14u);  // the last character takes a surrogate pair
  EXPECT_EQ(FromUtf16(wide), text);
  EXPECT_EQ(FromUtf16(ToUtf16("a\xFF" "b")), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(FromUtf16(ToUtf16("\xE2\x82")), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// A DSN is found whatever the letter case of its name.
TEST(BackendChoice, ADsnInAnyLetterCaseIsAnOdbcDataSource) {
  std::string dsn = test::PostgresDsn();
  if (dsn.empty()) GTEST_SKIP() << "needs KORVANE_TEST_PG_DSN";
  for (char& c : dsn) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const BackendChoice odbc = ChooseBackend(dsn, "DrevantaAsset");
  EXPECT_EQ(odbc.kind, BackendChoice::Kind::OdbcDataSource);
  EXPECT_NE(odbc.odbcConnectionString.find("DATABASE=DrevantaAsset"), std::string::npos);
}

}  // namespace
}  // namespace korvane::db

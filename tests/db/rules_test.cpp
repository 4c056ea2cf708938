// The pure rules of the database layer: query-text surgery, reading the connection
// string, wide text, and the choice of backend. (The surgery that only places a locator
// or recognises a whole table, and declared sizes, show in the contract suite.) And how
// the engines reach rows: a whole-table query is opened only to add a row, so it must not
// read the table's rows, yet every observable answer (count, columns, a row read after
// all) stays as if it had; on ODBC servers other than PostgreSQL a row is found again by
// its key and the values its changed columns held when read (the SQLite ODBC driver, when
// installed, stands in for such a server here).
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>

#include "inventory/query_texts.h"
#include "platform/db/case_fold.h"
#include "platform/db/client_recordset.h"
#include "platform/db/engine.h"
#include "platform/db/odbc_engine.h"
#include "platform/db/odbc_support.h"
#include "platform/runtime_error.h"
#include "platform/connection_string.h"
#include "platform/db/database_server.h"
#include "platform/db/sql_text.h"
#include "platform/utf16.h"
#include "platform/storable_text.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::db {
namespace {

TEST(SqlText, TheNationalPrefixIsDroppedOutsideQuotedTextOnlyAndOneComparisonIsAKey) {
  EXPECT_EQ(RemoveNationalPrefix("WHERE a = N'x' OR b = n'y'"), "WHERE a = 'x' OR b = 'y'");
  // An N that ends a name is part of the name; quoted names are left alone.
  EXPECT_EQ(RemoveNationalPrefix("SELECT PLAN'x'"), "SELECT PLAN'x'");
  EXPECT_EQ(RemoveNationalPrefix("SELECT \"N'\" , [N'] FROM t"), "SELECT \"N'\" , [N'] FROM t");
  // An unterminated literal is copied as it stands (the engine reports it).
  EXPECT_EQ(RemoveNationalPrefix("WHERE a = N'x"), "WHERE a = 'x");

  // Only one comparison of a column with a text literal is a key comparison. (The
  // per-computer queries themselves, apostrophes and all, run in the contract suite.)
  EXPECT_TRUE(FindKeyComparison("SELECT * FROM DriveHistory where DiskComputer='PC~C';"));
  // Anything more than the one comparison, or an unterminated literal, is not one.
  for (const char* where : {"WHERE (Computer = 'A') OR 1=1", "WHERE (Computer = 'A'", "WHERE (Computer = 'A)",
                            "WHERE Computer = Model", ""}) {
    EXPECT_FALSE(FindKeyComparison(std::string("SELECT * FROM Asset ") + where)) << where;
  }
}

TEST(StoredText, NulAndBytesThatAreNotUtf8HaveOneStorableFormAndHighBytesAreWindows1252) {
  EXPECT_EQ(StorableText(std::string("a\0b\0", 4)), "a b ");
  // Valid UTF-8 stays (single high bytes: below).
  EXPECT_EQ(StorableText("\u00C4RZTE \U0001F600"), "\u00C4RZTE \U0001F600");
  // Overlong forms, surrogates and cut sequences are not UTF-8.
  EXPECT_EQ(StorableText("\xC0\xAF \xED\xA0\x80 \xE2\x82"), "\u00C0\u00AF \u00ED\u00A0\u20AC \u00E2\u201A");
  const std::string once = StorableText("x\xE9\0\xFF");
  EXPECT_EQ(StorableText(once), once);

  // Every byte from 0x80 to 0xFF on its own, against the system's own converter: the
  // code page's character, or, for the five bytes it leaves undefined, the C1 control of
  // the same number.
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

// An engine over an in-memory table that counts what it is asked to do.
class CountingEngine : public Engine {
 public:
  std::string AdaptQuery(const std::string& query) override { return query; }
  FetchResult Fetch(const std::string&, bool) override {
    ++fetches;
    FetchResult result;
    result.columns = Describe("t");
    for (std::size_t i = 0; i < rows.size(); ++i) result.rows.push_back({rows[i], std::to_string(i)});
    return result;
  }
  std::vector<ColumnInfo> Describe(const std::string&) override {
    return {{"Computer", 255, true}, {"LastAccessTime", 255, true}};
  }
  int64_t CountRows(const std::string&) override { return static_cast<int64_t>(rows.size()); }
  std::string Insert(const std::string&, const std::string&, const Variant& key) override {
    rows.push_back({key, Variant::Null()});
    return std::to_string(rows.size() - 1);
  }
  std::string UpdateRow(const std::string&, const std::vector<ColumnInfo>&, const std::vector<Variant>&,
                        const std::string& locator, const ColumnChanges&) override {
    return locator;
  }
  void Execute(const std::string&) override {}

  std::vector<std::vector<Variant>> rows;
  int fetches = 0;
};

TEST(WholeTable, AddingARowReadsNoRowsButCountsAndDescribesTheTable) {
  auto engine = std::make_shared<CountingEngine>();
  for (int i = 0; i < 1000; ++i) engine->rows.push_back({Variant("PC" + std::to_string(i)), Variant("t")});
  EngineConnection connection(engine);

  // (What a whole-table recordset answers is the contract suite's; here, what it costs.)
  auto rs = connection.OpenRecordset(kAllLastAccessQuery);
  EXPECT_EQ(rs->RecordCount(), 1000);
  rs->AddNew(Variant("NEW"));
  rs->Update(1, Variant("2003/02/14 09:05:30"));
  EXPECT_EQ(engine->fetches, 0);

  // Reading a row of a whole-table recordset fetches the rows then, once.
  auto reader = connection.OpenRecordset(kAllLastAccessQuery);
  EXPECT_EQ(engine->fetches, 0);
  EXPECT_EQ(reader->Field(0), Variant("PC0"));
  EXPECT_TRUE(reader->MoveNext());
  EXPECT_EQ(reader->Field(0), Variant("PC1"));
  EXPECT_EQ(engine->fetches, 1);
}

TEST(OptimisticRows, UpdatesFindTheRowByKeyAndChangedValuesAndFailWhenOneOfThemChanged) {
  if (std::ranges::count(odbc::DriverNames(), "SQLite3") == 0) {
    GTEST_SKIP() << "the SQLite3 ODBC driver (libsqliteodbc) is not installed";
  }
  test::Inventory inventory;
  const std::string odbc = "DRIVER=SQLite3;Database=" + inventory.SqliteFile();
  auto conn = OpenOdbcConnection(odbc);
  ASSERT_EQ(OdbcDbmsName(odbc), "SQLite");

  // This engine gets the query texts unchanged, so they are written without N here.
  auto all = conn->OpenRecordset(kAllAssetQuery);
  all->AddNew(Variant("PC01"));
  all->Update(asset::kManufacturer, Variant("Dell Inc."));
  all->Update(asset::kTotalPhysicalMemory, Variant(int32_t{511}));
  all->SetField(asset::kModel, Variant("GX270"));
  all->Update(asset::kProcessor1Name + 1, Variant(2793.0));

  const std::string query = "SELECT *, Computer AS Expr1 From Asset WHERE (Computer = 'pc01')";
  auto rs = conn->OpenRecordset(query);
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Field(asset::kModel), Variant("GX270"));
  rs->Update(asset::kHistory, Variant(std::string(6000, 'h')));
  rs->Update(asset::kDomain, Variant("corp"));  // found again after a long-text change

  // Another writer changes another column: the stale recordset still stores its change;
  // once the other writer changed the same column, it can no longer.
  auto other = conn->OpenRecordset(query);
  other->Update(asset::kManufacturer, Variant("HP"));
  rs->Update(asset::kModel, Variant("Other"));
  other->Update(asset::kSerialNumber, Variant("S1"));
  EXPECT_THROW(rs->Update(asset::kSerialNumber, Variant("S2")), RuntimeError);

  const auto rows = inventory.RowsOf("Asset", "PC01");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][asset::kManufacturer], Variant("HP"));
  EXPECT_EQ(rows[0][asset::kModel], Variant("Other"));
  EXPECT_EQ(rows[0][asset::kSerialNumber], Variant("S1"));
  EXPECT_EQ(rows[0][asset::kDomain], Variant("corp"));
  EXPECT_EQ(rows[0][asset::kTotalPhysicalMemory], Variant(int32_t{511}));
  EXPECT_EQ(rows[0][asset::kHistory], Variant(std::string(6000, 'h')));
}

}  // namespace
}  // namespace korvane::db

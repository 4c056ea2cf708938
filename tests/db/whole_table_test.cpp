// A whole-table query is opened only to add a row: it must not read the table's rows,
// yet every observable answer (count, columns, a row read after all) stays as if it had.
#include <gtest/gtest.h>

#include "inventory/query_texts.h"
#include "platform/db/client_recordset.h"
#include "platform/db/engine.h"

namespace korvane::db {
namespace {

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

}  // namespace
}  // namespace korvane::db

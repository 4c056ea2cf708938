// Names and texts that a database cannot hold as given (NUL, bytes that are not UTF-8,
// blank names), scanned by the real korvane: each backend stores them in one form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scannable_computer.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

class TextsAndKeys : public ::testing::TestWithParam<InventoryBackend> {};

// The command line names the computer in Windows-1252 bytes; its WMI name ends at a NUL,
// and in other texts a NUL becomes a blank.
TEST_P(TextsAndKeys, NulsAndNamesThatAreNotUtf8HaveOneFormAndBlankNamesAreRefused) {
  KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
  const Inventory inventory(GetParam());
  const TempDir temp;
  auto scan = [&](const std::string& name, const std::string& fileName, const std::string& json,
                  const std::string& when) {
    TempDir lab;
    WriteFile(lab / (fileName + ".json"), json);
    return RunScanner({.args = {ScanCommandLine(name, inventory.DataSource())},
                       .env = {{"KORVANE_LAB", lab.str()}, {"Temp", temp.str()}},
                       .fakeTime = when});
  };
  const std::string id = UniqueComputerName("");
  const std::string latin1 = "M\xDCLLER" + id;
  const std::string utf8 = "M\xC3\x9CLLER" + id;
  // A multi-string display name, one with a NUL inside, then a plain one after them.
  const std::string json = ScannableComputer(utf8 + R"(\u0000X)", R"(Ma\u0000ker)",
                                    {R"({"type": "REG_MULTI_SZ", "data": ["Multi", "Line"]})",
                                     R"({"type": "REG_EXPAND_SZ", "data": "Mid\u0000dle"})", R"("Last")"});
  ASSERT_EQ(scan(latin1, utf8, json, "2003-02-14 09:00:00").exitCode, 0);
  EXPECT_EQ(inventory.RowsOf("LastAccess", utf8).size(), 1u);
  const auto asset = inventory.RowsOf("Asset", utf8);
  ASSERT_EQ(asset.size(), 1u);
  EXPECT_EQ(asset[0][0], Variant(utf8));
  EXPECT_EQ(asset[0][1], Variant("Ma ker"));
  const std::string software = "Multi Line  \xC2\xA7" "1\xC2\xA7\xC2\xA7^Mid dle \xC2\xA7" "1\xC2\xA7\xC2\xA7^Last\xC2\xA7" "1\xC2\xA7\xC2\xA7";
  EXPECT_EQ(inventory.RowsOf("Software", utf8), (std::vector<Row>{{Variant(utf8), Variant(software)}}));
  EXPECT_EQ(inventory.RowsOf("DriveHistory", utf8 + "~C").size(), 1u);

  ASSERT_EQ(scan(latin1, utf8, json, "2003-02-15 09:00:00").exitCode, 0);
  EXPECT_EQ(inventory.RowsOf("Asset", utf8).at(0)[92], asset[0][92])
      << "a rescan of an unchanged computer recorded changes";
  EXPECT_EQ(ReadLines(temp / "DrevantaAssetDB.log"), std::vector<std::string>{});

  // A blank name is refused before anything is written.
  // Only blank keys are counted: other tests add rows to the shared server meanwhile.
  const std::string blankKeys = "SELECT Computer FROM LastAccess WHERE trim(Computer) = ''";
  const std::size_t before = inventory.Rows(blankKeys).size();
  for (const std::string blank : {"", "  "}) {
    const ScanResult r = scan(blank, "x", ScannableComputer("x", "Maker", {}), "2003-02-15 09:00:00");
    EXPECT_EQ(r.progress, std::vector<std::string>{blank + ",Complete"});
  }
  EXPECT_EQ(inventory.Rows(blankKeys).size(), before);
  const auto log = ReadLines(temp / "DrevantaAssetDB.log");
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("No computer name on the command line"), std::string::npos) << log[0];
}

INSTANTIATE_TEST_SUITE_P(Backends, TextsAndKeys, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

}  // namespace
}  // namespace korvane::test

// Names and texts that a database cannot hold as given (NUL, bytes that are not UTF-8,
// blank names), scanned by the real korvane: each backend stores them in one form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/scannable_computer.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

class TextsAndKeys : public ::testing::TestWithParam<InventoryBackend> {
 protected:
  void SetUp() override {
    KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
    inventory = std::make_unique<Inventory>(GetParam());
  }
  // A scan of `name` from a lab holding `json` as the file `fileName`.
  ScanResult Scan(const std::string& name, const std::string& fileName, const std::string& json,
                  const std::string& when) {
    TempDir lab;
    WriteFile(lab / (fileName + ".json"), json);
    return ScanFromLab(name, inventory->DataSource(), lab.str(), temp.str(), {.fakeTime = when});
  }
  std::unique_ptr<Inventory> inventory;
  TempDir temp;
};

// The command line names the computer in Windows-1252 bytes; its WMI name ends at a NUL,
// and in other texts a NUL becomes a blank.
TEST_P(TextsAndKeys, NulsAndNamesThatAreNotUtf8HaveOneFormAndBlankNamesAreRefused) {
  const std::string id = UniqueComputerName("");
  const std::string latin1 = "M\xDCLLER" + id;
  const std::string utf8 = "M\xC3\x9CLLER" + id;
  // A multi-string display name, one with a NUL inside, then a plain one after them.
  const std::string json = ScannableComputer(utf8 + R"(\u0000X)", R"(Ma\u0000ker)",
                                    {R"({"type": "REG_MULTI_SZ", "data": ["Multi", "Line"]})",
                                     R"({"type": "REG_EXPAND_SZ", "data": "Mid\u0000dle"})", R"("Last")"});
  ASSERT_EQ(Scan(latin1, utf8, json, "2003-02-14 09:00:00").exitCode, 0);
  EXPECT_EQ(inventory->RowsOf("LastAccess", utf8).size(), 1u);
  const auto asset = inventory->RowsOf("Asset", utf8);
  ASSERT_EQ(asset.size(), 1u);
  EXPECT_EQ(asset[0][0], Variant(utf8));
  EXPECT_EQ(asset[0][1], Variant("Ma ker"));
  const std::string software = "Multi Line  \xC2\xA7" "1\xC2\xA7\xC2\xA7^Mid dle \xC2\xA7" "1\xC2\xA7\xC2\xA7^Last\xC2\xA7" "1\xC2\xA7\xC2\xA7";
  EXPECT_EQ(inventory->RowsOf("Software", utf8), (std::vector<Row>{{Variant(utf8), Variant(software)}}));
  EXPECT_EQ(inventory->RowsOf("DriveHistory", utf8 + "~C").size(), 1u);

  ASSERT_EQ(Scan(latin1, utf8, json, "2003-02-15 09:00:00").exitCode, 0);
  EXPECT_EQ(inventory->RowsOf("Asset", utf8).at(0)[92], asset[0][92])
      << "a rescan of an unchanged computer recorded changes";
  EXPECT_EQ(ReadLines(temp / "DrevantaAssetDB.log"), std::vector<std::string>{});

  // A blank name is refused before anything is written.
  // Only blank keys are counted: other tests add rows to the shared server meanwhile.
  const std::string blankKeys = "SELECT Computer FROM LastAccess WHERE trim(Computer) = ''";
  const std::size_t before = inventory->Rows(blankKeys).size();
  for (const std::string blank : {"", "  "}) {
    const ScanResult r = Scan(blank, "x", ScannableComputer("x", "Maker", {}), "2003-02-15 09:00:00");
    EXPECT_EQ(r.progress, std::vector<std::string>{blank + ",Complete"});
  }
  EXPECT_EQ(inventory->Rows(blankKeys).size(), before);
  const auto log = ReadLines(temp / "DrevantaAssetDB.log");
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("No computer name on the command line"), std::string::npos) << log[0];
}

std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
  return out;
}

// Rows that another program wrote or keeps: a software list holding a NUL (the raw walk
// of a multi-string value, as an earlier version stored it), a History with Latin-1 bytes
// and a column that a site's AFTER UPDATE trigger keeps. A scan updates them as it
// updates its own rows; the next scan of the unchanged computer records nothing. (The
// PostgreSQL database is shared by every test, and its text holds neither NUL nor bytes
// that are not UTF-8: there the trigger keeps the unused Reserved1 of this test's rows.)
TEST_P(TextsAndKeys, RowsWrittenByOthersAreUpdatedLikeOwnOnes) {
  const bool sqlite = GetParam() == InventoryBackend::Sqlite;
  const std::string name = UniqueComputerName("TRIG");
  auto scan = [&](const std::string& maker, const std::string& when) {
    const std::vector<std::string> programs = {R"({"type": "REG_MULTI_SZ", "data": ["Multi", "Line"]})", R"("Last")"};
    return Scan(name, name, ScannableComputer(name, maker, programs), when);
  };
  ASSERT_EQ(scan("Maker", "2003-02-14 09:00:00").exitCode, 0);
  const std::string list = inventory->RowsOf("Software", name).at(0)[1].text();
  ASSERT_EQ(list.substr(0, 6), "Multi ");

  int kept = 0;  // ordinal of the column the trigger keeps
  if (sqlite) {
    inventory->Execute("ALTER TABLE Asset ADD COLUMN Audit INTEGER");
    inventory->Execute("CREATE TRIGGER KeepAudit AFTER UPDATE ON Asset WHEN OLD.Audit IS NEW.Audit "
                      "BEGIN UPDATE Asset SET Audit = coalesce(Audit, 0) + 1 WHERE _rowid_ = NEW._rowid_; END");
    kept = 93;
    const std::string withNul = "Multi" + std::string(1, '\0') + list.substr(6);
    inventory->Execute("UPDATE Software SET SoftwareList = CAST(X'" + Hex(withNul) +
                      "' AS TEXT) WHERE SoftComputer = '" + name + "'");
    inventory->Execute("UPDATE Asset SET History = History || CAST(X'" +
                      Hex("2003/02/14 10:00:00~Caf\xE9 noted by hand^") + "' AS TEXT) WHERE Computer = '" +
                      name + "'");
  } else {
    inventory->Execute(
        "CREATE OR REPLACE FUNCTION korvane_test_keep() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "UPDATE Asset SET Reserved1 = CAST(coalesce(CAST(Reserved1 AS integer), 0) + 1 AS varchar) "
        "WHERE Computer = NEW.Computer; RETURN NULL; END $$");
    inventory->Execute("DROP TRIGGER IF EXISTS korvane_test_keep ON Asset");
    inventory->Execute("CREATE TRIGGER korvane_test_keep AFTER UPDATE ON Asset FOR EACH ROW WHEN "
                      "(NEW.Computer LIKE 'TRIG%' AND OLD.Reserved1 IS NOT DISTINCT FROM NEW.Reserved1) "
                      "EXECUTE FUNCTION korvane_test_keep()");
    kept = 28;
    inventory->Execute("UPDATE Asset SET History = History || 'Caf\xC3\xA9 noted by hand^' WHERE Computer = '" +
                      name + "'");
  }
  const auto keptCount = [&] {
    const Variant v = inventory->RowsOf("Asset", name).at(0).at(static_cast<std::size_t>(kept));
    return v.kind() == Variant::Kind::Text ? std::stoi(v.text()) : v.IsNull() ? 0 : v.long_value();
  };
  const int keptBefore = keptCount();

  const ScanResult second = scan("Maker 2", "2003-02-15 09:00:00");
  ASSERT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.progress.back(), name + ",Complete");
  EXPECT_EQ(std::count(second.progress.begin(), second.progress.end(), name + ",Complete"), 1);
  EXPECT_EQ(ReadLines(temp / "DrevantaAssetDB.log"), std::vector<std::string>{});
  const auto asset = inventory->RowsOf("Asset", name).at(0);
  EXPECT_EQ(asset[1], Variant("Maker 2"));
  EXPECT_EQ(asset[26].text().substr(0, 10), "2003/02/15");
  const std::string history = asset[92].text();
  const std::size_t note = history.find("Caf\xC3\xA9 noted by hand^2003/02/15 09:00:");
  ASSERT_NE(note, std::string::npos) << history;
  EXPECT_TRUE(history.ends_with("~Manufacturer changed from Maker To Maker 2^")) << history;
  EXPECT_EQ(history.find("Software"), std::string::npos) << history;
  EXPECT_EQ(inventory->RowsOf("Software", name).at(0)[1], Variant(list));
  EXPECT_GT(keptCount(), keptBefore);

  ASSERT_EQ(scan("Maker 2", "2003-02-16 09:00:00").exitCode, 0);
  EXPECT_EQ(ReadLines(temp / "DrevantaAssetDB.log"), std::vector<std::string>{});
  const auto third = inventory->RowsOf("Asset", name).at(0);
  EXPECT_EQ(third[92], Variant(history)) << "the next scan recorded something new";
  EXPECT_EQ(third[26].text().substr(0, 10), "2003/02/16");
}

// Windows gives texts of any length (a description, a maker's name from the registry);
// an inventory whose text columns were made for 255 characters refused them, and every
// later write of that scan with them.
TEST_P(TextsAndKeys, TextsOfAnyLengthAreStoredWholeWithTheRestOfTheScan) {
  const std::string name = UniqueComputerName("LONG");
  const std::string maker(300, 'M');
  const auto scan = [&](const std::string& m, const std::string& when) {
    return Scan(name, name, ScannableComputer(name, m, {R"("Program")", R"("Other")"}), when);
  };
  ASSERT_EQ(scan(maker, "2003-02-14 09:00:00").exitCode, 0);
  ASSERT_EQ(scan(maker + " 2", "2003-02-15 09:00:00").exitCode, 0);
  EXPECT_EQ(ReadLines(temp / "DrevantaAssetDB.log"), std::vector<std::string>{});
  const auto asset = inventory->RowsOf("Asset", name).at(0);
  EXPECT_EQ(asset[1], Variant(maker + " 2"));
  EXPECT_EQ(asset[26].text().substr(0, 10), "2003/02/15");
  EXPECT_EQ(asset[27], Variant("CORP\\u"));
  EXPECT_TRUE(asset[92].text().ends_with("~Manufacturer changed from " + maker + " To " + maker + " 2^"))
      << asset[92].text();
  EXPECT_EQ(inventory->RowsOf("Software", name).at(0)[1].text().substr(0, 9), "Program\xC2\xA7");
  EXPECT_EQ(inventory->RowsOf("Services", name).size(), 1u);
}

// An earlier version stored the command line's name as it came, in a Windows code page.
// Such rows are the computer's rows: the scanner updates them rather than starting new
// ones, and show finds them. (Only SQLite holds bytes that are not UTF-8.)
TEST(CodePageKeys, RowsKeyedInLatin1ByAnEarlierVersionAreTheComputersRows) {
  const Inventory inventory;
  const TempDir temp;
  const std::string id = UniqueComputerName("");
  const std::string latin1 = "M\xDC" "LLER" + id;
  const std::string utf8 = "M\xC3\x9C" "LLER" + id;
  const auto key = [&](const std::string& suffix) { return "CAST(X'" + Hex(latin1 + suffix) + "' AS TEXT)"; };
  inventory.Execute("INSERT INTO LastAccess (Computer, LastAccessTime) VALUES (" + key("") + ", '2003/02/13 09:00:00')");
  inventory.Execute("INSERT INTO Asset (Computer, Manufacturer, Model, History) VALUES (" + key("") +
                    ", 'Old maker', 'M1', '2003/02/13 09:00:00~New Record Created^')");
  inventory.Execute("INSERT INTO Software (SoftComputer, SoftwareList) VALUES (" + key("") + ", '')");
  inventory.Execute("INSERT INTO Services (ServComputer, ServiceList) VALUES (" + key("") + ", '')");
  inventory.Execute("INSERT INTO DriveHistory (DiskComputer, DiskHistory, DiskComputerName) VALUES (" + key("~C") +
                    ", '^2003/02/13,100', " + key("") + ")");
  TempDir lab;
  WriteFile(lab / (utf8 + ".json"), ScannableComputer(utf8, "Maker", {R"("Tool")", R"("Other")"}));
  const ScanResult scan =
      ScanFromLab(utf8, inventory.DataSource(), lab.str(), temp.str(), {.fakeTime = "2003/02/14 09:00:00"});
  ASSERT_EQ(scan.exitCode, 0) << scan.stderrText;
  EXPECT_EQ(ReadLines(temp / "DrevantaAssetDB.log"), std::vector<std::string>{});
  for (const char* table : {"LastAccess", "Asset", "Software", "Services"}) {
    const auto rows = inventory.RowsOf(table, utf8);
    ASSERT_EQ(rows.size(), 1u) << table;
    EXPECT_EQ(rows[0][0], Variant(latin1)) << table;
  }
  const auto asset = inventory.RowsOf("Asset", utf8)[0];
  EXPECT_EQ(asset[1], Variant("Maker"));
  EXPECT_TRUE(asset[92].text().starts_with("2003/02/13 09:00:00~New Record Created^")) << asset[92].text();
  EXPECT_NE(asset[92].text().find("~Manufacturer changed from Old maker To Maker^"), std::string::npos);
  const auto drive = inventory.RowsOf("DriveHistory", utf8 + "~C");
  ASSERT_EQ(drive.size(), 1u);
  EXPECT_EQ(drive[0][1], Variant("^2003/02/13,100^2003/02/14,12288"));

  const ScanResult shown = RunScanner({.args = {"show", "--db", inventory.DataSource(), utf8},
                                       .channelFd = -1, .program = ProgramPath("korvane-console")});
  EXPECT_EQ(shown.exitCode, 0) << shown.stderrText;
  EXPECT_NE(shown.StdoutText().find("Maker"), std::string::npos) << shown.StdoutText();
}

INSTANTIATE_TEST_SUITE_P(Backends, TextsAndKeys, ServerBackends(),
                         [](const auto& p) { return BackendName(p.param); });

}  // namespace
}  // namespace korvane::test

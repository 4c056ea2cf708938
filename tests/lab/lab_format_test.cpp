// What the lab format promises beyond the target contract: typed WMI properties and query
// errors, the bytes of every registry value type, the names a computer answers to, the
// one diagnostic line of a broken file; and the lab store: the one rule of which files of
// a lab directory are computers, shared by the simulator, the authoring tools and the
// console, and writing a file whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "console/scan/targets.h"
#include "lab/authoring/lab_advance.h"
#include "lab/model/lab_store.h"
#include "lab/simulator/lab.h"
#include "platform/runtime_error.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

class LabFormat : public ::testing::Test {
 protected:
  void Computer(const std::string& name, const std::string& json) { WriteFile(dir_ / (name + ".json"), json); }

  TargetNetwork& Lab() {
    if (!lab_) lab_ = OpenLab(dir_.str(), diagnostics_);
    return *lab_;
  }

  TempDir dir_;
  std::ostringstream diagnostics_;
  std::unique_ptr<TargetNetwork> lab_;
};

TEST_F(LabFormat, WmiPropertiesKeepTheirTypesAndQueryErrorsTheirNumbers) {
  Computer("PC01", R"({"wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": "PC01", "UserName": null, "TotalPhysicalMemory": "536281088",
                              "Flag": true, "Count": -5, "Big": 4294967296, "Ratio": 1.5}],
    "win32_processor": [{"Name": "CPU A"}, {"Name": "CPU B"}]},
    "queryErrors": {"Win32_OperatingSystem": {"number": 91}}}})");
  Computer("Coded", R"({"wmi": {"connect": {"number": -2147023174, "description": "Custom"}}})");
  auto services = Lab().Wmi().CreateLocator()->ConnectServer("pc01");
  const auto systems = services->ExecQuery("Select * From Win32_ComputerSystem", "WQL", 16);
  ASSERT_EQ(systems.size(), 1u);
  const WmiObject& cs = *systems[0];
  EXPECT_EQ(cs.Property("USERNAME"), Variant::Null());  // null is there, and null
  EXPECT_EQ(cs.Property("TotalPhysicalMemory"), Variant("536281088"));  // strings stay strings
  EXPECT_EQ(cs.Property("Flag"), Variant::Boolean(true));
  EXPECT_EQ(cs.Property("Count"), Variant(int32_t{-5}));
  EXPECT_EQ(cs.Property("Big"), Variant(4294967296.0));
  EXPECT_EQ(cs.Property("Ratio"), Variant(1.5));
  EXPECT_EQ(services->ExecQuery("select * from WIN32_PROCESSOR", "WQL", 16).size(), 2u);
  EXPECT_TRUE(services->ExecQuery("Select * From Win32_BIOS", "WQL", 16).empty());

  // A query error without a description gets the standard one of its number.
  const auto failure = [](auto call) -> std::pair<int32_t, std::string> {
    try {
      call();
    } catch (const RuntimeError& e) {
      return {e.number(), e.description()};
    }
    return {0, "no error"};
  };
  EXPECT_EQ(failure([&] { services->ExecQuery("Select * From win32_operatingsystem", "WQL", 16); }),
            std::pair(91, std::string("Object variable or With block variable not set")));
  EXPECT_EQ(failure([&] { Lab().Wmi().CreateLocator()->ConnectServer("Coded"); }),
            std::pair(static_cast<int32_t>(0x800706BA), std::string("Custom")));
}

// Reads a value the way the registry reader does: probe the size, then read.
std::string ReadBytes(RegistryKey& key, const std::string& name, uint32_t& type) {
  uint32_t size = 0;
  type = 0;
  if (key.QueryValue(name, type, nullptr, size) != 0) return "<missing>";
  std::string data(size, '\0');
  EXPECT_EQ(key.QueryValue(name, type, &data, size), 0);
  return data;
}

TEST_F(LabFormat, RegistryValuesHaveTheBytesWindowsStoresAndKeysMergeByName) {
  Computer("PC01", R"({"registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Test": {
    "NoStrings": {"type": "REG_MULTI_SZ", "data": []},
    "Negative": {"type": "REG_DWORD", "data": -2},
    "Qword": {"type": "REG_QWORD", "data": 4294967297},
    "BigQword": {"type": "REG_QWORD", "data": "18446744073709551615"},
    "Binary": {"type": "REG_BINARY", "data": "00ff10 AB"},
    "WithNul": "a\u0000b", "": "default value"},
    "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\Zeta": {"DisplayName": "Z"},
    "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\{90110409-6000-11D3-8CFE-0150048383C9}": {},
    "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\Alpha\\Deeper": {},
    "hkey_local_machine\\SOFTWARE\\uninstall\\zeta": {"DisplayVersion": "1"}}}})");
  std::unique_ptr<RegistryKey> root, key;
  ASSERT_EQ(Lab().Registry().Connect("PC01", kHkeyLocalMachine, root), 0);
  ASSERT_EQ(root->OpenKey("Software\\Test", 0, 0x3F, key), 0);
  uint32_t type = 0;
  for (const auto& [name, bytes, expectedType] : std::vector<std::tuple<std::string, std::string, uint32_t>>{
           {"NoStrings", std::string("\0", 1), kRegMultiSz}, {"Negative", std::string("\xFE\xFF\xFF\xFF", 4), kRegDword},
           {"Qword", std::string("\x01\0\0\0\x01\0\0\0", 8), kRegQword}, {"BigQword", std::string(8, '\xFF'), kRegQword},
           {"Binary", std::string("\x00\xFF\x10\xAB", 4), kRegBinary}, {"WithNul", std::string("a\0b\0", 4), kRegSz},
           {"", std::string("default value\0", 14), kRegSz}}) {
    EXPECT_EQ(ReadBytes(*key, name, type), bytes) << name;
    EXPECT_EQ(type, expectedType) << name;
  }

  // Subkeys in order of first appearance; a key named twice in other letter case is one
  // key with both values; a key below implies its parents.
  ASSERT_EQ(root->OpenKey("Software\\Uninstall", 0, 8, key), 0);
  std::vector<std::string> names;
  std::string name;
  for (uint32_t index = 0; key->EnumKey(index, name, 256) == 0; ++index) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "{90110409-6000-11D3-8CFE-0150048383C9}", "Alpha"}));
  std::unique_ptr<RegistryKey> zeta;
  ASSERT_EQ(key->OpenKey("ZETA", 0, 0x3F, zeta), 0);
  EXPECT_EQ(ReadBytes(*zeta, "DisplayName", type), std::string("Z\0", 2));
  EXPECT_EQ(ReadBytes(*zeta, "DisplayVersion", type), std::string("1\0", 2));
  std::unique_ptr<RegistryKey> users;
  ASSERT_EQ(Lab().Registry().Connect("PC01", kHkeyUsers, users), 0);
  EXPECT_EQ(users->EnumKey(0, name, 256), kErrorNoMoreItems) << "a hive the file lists nothing under is empty";
}

TEST_F(LabFormat, ComputersAnswerToFileNameAliasAndFirstWmiName) {
  Computer("PC01", R"({"address": "10.1.1.1", "aliases": ["PC01.corp.example", "Reception"]})");
  Computer("asset-17", R"({"address": "10.1.1.2",
      "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "FINANCE7"}, {"Name": "SECOND"}]}}})");
  Computer("pc-a", R"({"address": "10.1.1.3", "aliases": ["shared"]})");
  Computer("pc-b", R"({"address": "10.1.1.4", "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "shared"}]}}})");
  Computer("Twin-A", R"({"address": "10.5.5.5"})");
  Computer("Twin-B", R"({"address": "10.5.5.5", "echo": false})");
  EchoService& echo = Lab().Echo();
  EXPECT_EQ(echo.Resolve("pc01.CORP.example"), (IPv4{10, 1, 1, 1}));
  EXPECT_EQ(echo.Resolve("RECEPTION"), (IPv4{10, 1, 1, 1}));
  EXPECT_EQ(echo.Resolve("finance7"), (IPv4{10, 1, 1, 2}));
  EXPECT_EQ(echo.Resolve("SECOND"), std::nullopt);  // only the first instance names it
  EXPECT_EQ(echo.Resolve("corp.example"), std::nullopt);
  EXPECT_EQ(echo.Resolve("PC01.json"), std::nullopt);
  EXPECT_EQ(echo.Resolve("Shared"), (IPv4{10, 1, 1, 3})) << "an alias wins over another computer's WMI name";
  EXPECT_EQ(Lab().Wmi().CreateLocator()->ConnectServer("FINANCE7")->ExecQuery("Select * From Win32_ComputerSystem", "WQL", 16).size(), 2u)
      << "every service finds the computer under each of its names";
  // Two computers on one address: the echo reaches the one whose name was resolved.
  for (const auto& [name, status] : {std::pair{"Twin-B", 11010u}, std::pair{"Twin-A", 0u}, std::pair{"Twin-B", 11010u}}) {
    const IPv4 address = echo.Resolve(name).value();
    EXPECT_EQ(echo.CreateEchoHandle()->SendEcho(address, "A", 255, 2000).status, status) << name;
  }
  EXPECT_EQ(diagnostics_.str(), "");
}

TEST_F(LabFormat, AFileOfTheWrongShapeIsNamedInOneLineAndOnlyThatComputerIsSilent) {
  Computer("PC01", R"({"address": "10.2.2.1"})");
  Computer("WrongShape", R"({"echo": 5})");
  Computer("BadValue", R"({"registry": {"keys": {"HKEY_LOCAL_MACHINE\\X": {"v": {"type": "REG_DWORD", "data": "x"}}}}})");
  Computer("NotObject", "[1, 2]");
  EXPECT_EQ(Lab().Echo().Resolve("nobody"), std::nullopt);  // reads every file
  EXPECT_EQ(Lab().Echo().Resolve("WrongShape"), std::nullopt);
  EXPECT_EQ(Lab().Echo().Resolve("BadValue"), std::nullopt);
  EXPECT_TRUE(Lab().Echo().Resolve("pc01").has_value());
  const std::string d = diagnostics_.str();
  EXPECT_NE(d.find("WrongShape.json: echo: must be an object; WrongShape does not answer\n"), std::string::npos) << d;
  EXPECT_NE(d.find("BadValue.json: registry.keys.HKEY_LOCAL_MACHINE\\X.v.data: must be a whole number"),
            std::string::npos) << d;
  EXPECT_NE(d.find("NotObject.json: the file: must hold one JSON object"), std::string::npos) << d;
  EXPECT_EQ(std::count(d.begin(), d.end(), '\n'), 3) << d;
}

TEST(LabStore, OneRuleForWhichFilesAreComputersEverywhere) {
  TempDir dir;
  const std::string computer = R"({"echo": true})";
  for (const char* file : {"PC02.json", "pc01.JSON", "PC01.json", "Zed.Json", ".hidden.json", ".json", "notes.txt",
                           "PC03.json.part", "PC04.jsonx"}) {
    WriteFile(dir / file, computer);
  }
  fs::create_directory(dir / "FOLDER.json");

  const lab::LabListing listing = lab::LabStore(dir.str()).List();
  std::vector<std::string> names;
  for (const auto& f : listing.computers) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"PC01", "PC02", "Zed"}));
  ASSERT_EQ(listing.ignored.size(), 1u);  // the later name in byte order
  EXPECT_EQ(fs::path(listing.ignored[0].first.path).filename(), "pc01.JSON");
  EXPECT_EQ(fs::path(listing.ignored[0].second.path).filename(), "PC01.json");

  // The console's "all" and the simulator see the same computers.
  EXPECT_EQ(console::LabComputers(dir.str()), names);
  std::ostringstream diagnostics;
  std::unique_ptr<TargetNetwork> network = OpenLab(dir.str(), diagnostics);
  for (const char* name : {"pc01", "PC02", "zed"}) EXPECT_TRUE(network->Echo().Resolve(name).has_value()) << name;
  for (const char* name : {".hidden", "", "notes", "FOLDER", "PC03"}) EXPECT_FALSE(network->Echo().Resolve(name).has_value()) << name;
  EXPECT_NE(diagnostics.str().find("pc01.JSON: another file names the same computer"), std::string::npos)
      << diagnostics.str();

  EXPECT_THROW(lab::LabStore((dir / "missing").string()).List(), std::runtime_error);
  EXPECT_THROW(console::LabComputers((dir / "missing").string()), console::UsageError);
}

// (Rewriting a file whole shows in the console's lab test, whose days rewrite every file.)
TEST(LabStore, ReadingOrWritingWhatIsNotThereFailsAndDaysKeepEachFileWhereItWas) {
  TempDir dir;
  const lab::LabStore store(dir.str());
  EXPECT_THROW(store.Read(store.FileFor("PC02")), std::runtime_error);
  const lab::LabStore missing((dir / "missing").string());
  EXPECT_THROW(missing.Write(missing.FileFor("PC01"), "x"), std::runtime_error);

  // A computer file with its extension in capitals is advanced in place, not doubled.
  TempDir lab;
  WriteFile(lab / "PC01.JSON", R"({"echo": true})");
  lab::authoring::AdvanceLab(lab.str(), 1, nullptr);
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(lab.path())) files.push_back(entry.path().filename().string());
  EXPECT_EQ(files, std::vector<std::string>{"PC01.JSON"});
}

}  // namespace
}  // namespace korvane::test

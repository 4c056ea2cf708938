// The lab store: the one rule of which files of a lab directory are computers, shared by
// the simulator, the authoring tools and the console, and writing a file whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "console/scan/targets.h"
#include "lab/authoring/lab_advance.h"
#include "lab/model/lab_store.h"
#include "lab/simulator/lab.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

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

TEST(LabStore, WritingReplacesAFileWholeAndDaysKeepEachFileWhereItWas) {
  TempDir dir;
  const lab::LabStore store(dir.str());
  const lab::ComputerFile file = store.FileFor("PC01");
  store.Write(file, "first");
  store.Write(file, "second");
  EXPECT_EQ(store.Read(file), "second");
  EXPECT_FALSE(fs::exists(file.path + ".part"));
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

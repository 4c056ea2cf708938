// The lab generator and the passing days: deterministic for a seed, valid lab files, and
// the variety a realistic network has.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "lab/authoring/lab_advance.h"
#include "lab/authoring/lab_generate.h"
#include "lab/model/json.h"
#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

const std::string kUninstall = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = ReadFile(e.path());
  return files;
}

Json Parse(const std::string& text) {
  JsonError error;
  auto parsed = ParseJson(text, &error);
  EXPECT_TRUE(parsed.has_value()) << error.ToString();
  return parsed ? *parsed : Json();
}

TEST(ConsoleLab, SameSeedSameLabAndAVariedNetwork) {
  TempDir dir;
  ASSERT_EQ(RunConsole({"lab-create", (dir / "a").string(), "--computers", "150", "--seed", "5"}).exitCode, 0);
  ASSERT_EQ(RunConsole({"lab-create", (dir / "b").string(), "--computers", "150", "--seed", "5"}).exitCode, 0);
  ASSERT_EQ(RunConsole({"lab-create", (dir / "c").string(), "--computers", "150", "--seed", "6"}).exitCode, 0);
  const auto a = Files(dir / "a");
  ASSERT_EQ(a.size(), 150u);
  EXPECT_EQ(a, Files(dir / "b"));
  EXPECT_NE(a, Files(dir / "c"));

  int silent = 0, noWmi = 0, wmiRefused = 0, registryDenied = 0, manyCpus = 0, noUser = 0, severalUsers = 0;
  int withoutUninstall = 0, withoutName = 0, withProductId = 0, beyondJ = 0, cdDrives = 0, removable = 0;
  std::set<std::string> systems;
  std::set<std::string> makers;
  for (const auto& [file, text] : a) {
    const Json c = Parse(text);
    const std::string name = file.substr(0, file.size() - 5);
    if (c.Find("echo") != nullptr && c.Find("echo")->IsBool() && !c.Find("echo")->AsBool()) ++silent;
    const Json* wmi = c.Find("wmi");
    if (wmi == nullptr) {
      ++noWmi;
    } else if (wmi->Find("connect")->IsString()) {
      ++wmiRefused;
    } else {
      const Json& classes = *wmi->Find("classes");
      EXPECT_EQ(classes.Find("Win32_ComputerSystem")->items()[0].Find("Name")->AsString(), name);
      systems.insert(classes.Find("Win32_OperatingSystem")->items()[0].Find("Caption")->AsString());
      makers.insert(classes.Find("Win32_ComputerSystem")->items()[0].Find("Manufacturer")->AsString());
      if (classes.Find("Win32_Processor")->items().size() > 4) ++manyCpus;
      for (const Json& disk : classes.Find("Win32_LogicalDisk")->items()) {
        const std::string caption = disk.Find("Caption")->AsString();
        if (caption[0] > 'J') ++beyondJ;
        if (disk.Find("DriveType")->AsInteger() == 5) ++cdDrives;
        if (disk.Find("DriveType")->AsInteger() == 2) ++removable;
      }
    }
    const Json& registry = *c.Find("registry");
    if (registry.Find("access")->AsString() == "none") ++registryDenied;
    int programs = 0;
    for (const auto& [key, entry] : registry.Find("keys")->members()) {
      if (key.rfind(kUninstall, 0) != 0) continue;
      ++programs;
      if (entry.Find("UninstallString") == nullptr) ++withoutUninstall;
      if (entry.Find("DisplayName") == nullptr) ++withoutName;
      if (entry.Find("ProductID") != nullptr) ++withProductId;
    }
    EXPECT_GE(programs, 30) << file;
    EXPECT_LE(programs, 400) << file;
    const std::size_t services = c.Find("services")->Find("list")->items().size();
    EXPECT_GE(services, 50u) << file;
    EXPECT_LE(services, 250u) << file;
    const std::size_t users = c.Find("logons")->Find("entries")->items().size();
    if (users == 0) ++noUser;
    if (users >= 2) ++severalUsers;
  }
  EXPECT_GT(silent, 0);
  EXPECT_GT(noWmi, 0);
  EXPECT_GT(wmiRefused, 0);
  EXPECT_GT(registryDenied, 0);
  EXPECT_GT(manyCpus, 0);
  EXPECT_GT(noUser, 0);
  EXPECT_GT(severalUsers, 0);
  EXPECT_GT(withoutUninstall, 0);
  EXPECT_GT(withoutName, 0);
  EXPECT_GT(withProductId, 0);
  EXPECT_GT(beyondJ, 0);
  EXPECT_GT(cdDrives, 0);
  EXPECT_GT(removable, 0);
  EXPECT_GE(makers.size(), 6u);
  EXPECT_GE(systems.size(), 8u);
  EXPECT_TRUE(systems.count("Microsoft Windows XP Professional"));
  EXPECT_TRUE(systems.count("Microsoft Windows 11 Pro"));
}

TEST(ConsoleLab, DaysPassTheSameWayForASeedAndChangeWhatAScanSees) {
  TempDir dir;
  const std::string before = (dir / "before").string();
  ASSERT_EQ(RunConsole({"lab-create", before, "--computers", "60", "--seed", "9", "--latency", "echo=1,registry=2"}).exitCode, 0);
  fs::copy(before, dir / "x");
  fs::copy(before, dir / "y");
  const ConsoleRun x = RunConsole({"lab-advance", (dir / "x").string(), "--days", "5", "--seed", "3"});
  ASSERT_EQ(x.exitCode, 0) << x.err;
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "y").string(), "--days", "5", "--seed", "3"}).exitCode, 0);
  EXPECT_EQ(Files(dir / "x"), Files(dir / "y"));
  EXPECT_NE(x.Text().find("advanced 5 days:"), std::string::npos) << x.Text();

  const auto old = Files(before);
  const auto now = Files(dir / "x");
  int changedVersions = 0, installed = 0, removed = 0, freeChanged = 0;
  for (const auto& [file, text] : now) {
    const Json a = Parse(old.at(file));
    const Json b = Parse(text);
    EXPECT_EQ(b.Find("latencyMs")->Find("registry")->AsInteger(), 2);  // keys it does not change stay
    const auto& ka = a.Find("registry")->Find("keys")->members();
    const auto& kb = b.Find("registry")->Find("keys")->members();
    std::map<std::string, const Json*> mapA;
    for (const auto& [k, v] : ka) mapA[k] = &v;
    std::set<std::string> keysB;
    for (const auto& [k, v] : kb) {
      keysB.insert(k);
      auto found = mapA.find(k);
      if (found == mapA.end()) {
        ++installed;
      } else if (v.Find("DisplayVersion") && found->second->Find("DisplayVersion") &&
                 !(*v.Find("DisplayVersion") == *found->second->Find("DisplayVersion"))) {
        ++changedVersions;
      }
    }
    for (const auto& [k, v] : ka) removed += keysB.count(k) == 0;
    if (!(*a.Find("shares") == *b.Find("shares"))) ++freeChanged;
  }
  EXPECT_GT(changedVersions, 0);
  EXPECT_GT(installed, 0);
  EXPECT_GT(removed, 0);
  EXPECT_GT(freeChanged, 30);

  // Without a seed, two advances from the same lab give the same day, and a second
  // advance from there another one.
  fs::copy(before, dir / "z");
  fs::copy(before, dir / "z2");
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "z").string(), "--days", "1"}).exitCode, 0);
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "z2").string(), "--days", "1"}).exitCode, 0);
  const auto first = Files(dir / "z");
  EXPECT_EQ(first, Files(dir / "z2"));
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "z").string(), "--days", "1"}).exitCode, 0);
  EXPECT_NE(first, Files(dir / "z"));
}

TEST(ConsoleLab, GeneratedComputerIsScannedInFull) {
  TempDir dir;
  TempDir lab;
  // The first generated computer that answers everything, written alone into a lab.
  for (int i = 0; i < 200; ++i) {
    const console::LabComputer c = console::GenerateComputer(11, i);
    if (!c.echo || c.wmi != "ok" || c.registry != "full" || c.os->era < 2) continue;
    WriteComputer(lab, c.name, Dump(console::ComputerJson(c, {}), true));
    ASSERT_EQ(RunConsole({"init-db", (dir / "db").string()}).exitCode, 0);
    const ConsoleRun scan = RunConsole({"scan", "--db", (dir / "db").string(), "--lab", lab.str()}, {{"Temp", dir.str()}});
    ASSERT_EQ(scan.exitCode, 0) << scan.Text();
    EXPECT_NE(scan.RowOf(c.name).find("complete"), std::string::npos) << scan.Text();
    const ConsoleRun show = RunConsole({"show", "--db", (dir / "db").string(), c.name});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    EXPECT_NE(show.Text().find("  Manufacturer       " + c.manufacturer), std::string::npos) << show.Text();
    EXPECT_NE(show.Text().find("  Model              " + c.model), std::string::npos) << show.Text();
    for (const auto& p : c.programs) {
      if (!p.name.empty() && !p.uninstall.empty()) {
        EXPECT_NE(show.Text().find("  " + p.name.substr(0, 40)), std::string::npos) << p.name;
        break;
      }
    }
    return;
  }
  FAIL() << "no fully answering computer among 200";
}

TEST(ConsoleLab, OutcomesOfAGeneratedNetworkMatchWhatItsComputersDo) {
  TempDir dir;
  const std::string lab = (dir / "lab").string();
  const std::string db = (dir / "db").string();
  ASSERT_EQ(RunConsole({"lab-create", lab, "--computers", "40", "--seed", "21"}).exitCode, 0);
  ASSERT_EQ(RunConsole({"init-db", db}).exitCode, 0);
  const ConsoleRun scan = RunConsole({"scan", "--db", db, "--lab", lab, "--jobs", "8"}, {{"Temp", dir.str()}});
  ASSERT_EQ(scan.exitCode, 0) << scan.Text() << scan.err;
  int silent = 0, denied = 0;
  for (int i = 0; i < 40; ++i) {
    const console::LabComputer c = console::GenerateComputer(21, i);
    const std::string row = scan.RowOf(c.name);
    std::string expected = "complete";
    if (!c.echo) {
      expected = "not answering";
      ++silent;
    } else if (c.registry != "full") {  // the scanner asks for more than reading
      expected = "no access";
      ++denied;
    }
    EXPECT_NE(row.find(" " + expected + " "), std::string::npos) << c.name << ": " << row;
  }
  EXPECT_GT(silent + denied, 0);
}

}  // namespace
}  // namespace korvane::test

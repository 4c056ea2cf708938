// The lab generator and the passing days: deterministic, valid lab files, a realistic network's variety.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "lab/model/lab_computer.h"
#include "lab/model/lab_keys.h"
#include "tests/console/console_fixture.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = ReadFile(e.path());
  return files;
}

// A lab file by its file name ("NAME.json").
std::unique_ptr<lab::LabComputer> Parse(const std::string& file, const std::string& text) {
  std::string problem;
  auto computer = lab::ReadComputerFile(file.substr(0, file.size() - 5), text, problem);
  EXPECT_NE(computer, nullptr) << problem;
  return computer ? std::move(computer) : std::make_unique<lab::LabComputer>();
}

const lab::RegistryNode* Uninstall(const lab::LabComputer& c) {
  return c.registry ? c.registry->Find(lab::keys::kUninstallKey) : nullptr;
}

// Each program's DisplayVersion ("" without one) by its key; the keys of the 32-bit view
// of a 64-bit computer start with "32:".
std::map<std::string, std::string> Versions(const lab::LabComputer& c) {
  std::map<std::string, std::string> versions;
  for (const auto& [view, prefix] : {std::pair{lab::keys::kUninstallKey, ""}, std::pair{lab::keys::kUninstall32Key, "32:"}}) {
    const lab::RegistryNode* uninstall = c.registry ? c.registry->Find(view) : nullptr;
    if (uninstall == nullptr) continue;
    for (const auto& entry : uninstall->subkeys()) {
      const lab::RegistryValue* v = entry->FindValue("DisplayVersion");
      versions[prefix + entry->name] = v ? v->AsText() : "";
    }
  }
  return versions;
}

TEST(ConsoleLab, SameSeedSameLabAVariedNetworkAndDaysThatPassTheSameWayForASeed) {
  TempDir dir;
  for (const auto& [lab, seed] : {std::pair{"a", "5"}, std::pair{"b", "5"}, std::pair{"c", "6"}}) {
    const std::vector<std::string> args = {"lab-create", (dir / lab).string(), "--computers", "150",
                                           "--seed", seed, "--latency", "echo=1,registry=2"};
    ASSERT_EQ(RunConsole(args).exitCode, 0);
  }
  const auto created = Files(dir / "a");
  ASSERT_EQ(created.size(), 150u);
  EXPECT_EQ(created, Files(dir / "b"));
  EXPECT_NE(created, Files(dir / "c"));

  // Every kind of computer a real network has occurs at least once.
  std::map<std::string, int> seen;
  std::set<std::string> systems;
  std::set<std::string> makers;
  for (const auto& [file, text] : created) {
    const auto c = Parse(file, text);
    seen["silent"] += !c->echo.answers;
    seen["no WMI"] += !c->wmi;
    seen["WMI refused"] += c->wmi && c->wmi->connectError;
    seen["registry denied"] += c->registry->access == lab::RegistryAccess::None;
    if (c->wmi && !c->wmi->connectError) {
      const lab::WmiConfig& wmi = *c->wmi;
      EXPECT_EQ(wmi.Find("Win32_ComputerSystem")->instances[0].Text("Name"), c->fileName);
      systems.insert(wmi.Find("Win32_OperatingSystem")->instances[0].Text("Caption"));
      makers.insert(wmi.Find("Win32_ComputerSystem")->instances[0].Text("Manufacturer"));
      seen["more than four processors"] += wmi.Find("Win32_Processor")->instances.size() > 4;
      for (const lab::WmiInstance& disk : wmi.Find("Win32_LogicalDisk")->instances) {
        seen["drive beyond J:"] += disk.Text("Caption")[0] > 'J';
        seen["CD drive"] += disk.Get("DriveType")->long_value() == 5;
        seen["removable drive"] += disk.Get("DriveType")->long_value() == 2;
      }
    }
    const lab::RegistryNode* uninstall = Uninstall(*c);
    ASSERT_NE(uninstall, nullptr) << file;
    EXPECT_GE(uninstall->subkeys().size(), 30u) << file;
    EXPECT_LE(uninstall->subkeys().size(), 400u) << file;
    for (const auto& entry : uninstall->subkeys()) {
      seen["program without uninstall string"] += entry->FindValue("UninstallString") == nullptr;
      seen["program without name"] += entry->FindValue("DisplayName") == nullptr;
      seen["program with product ID"] += entry->FindValue("ProductID") != nullptr;
    }
    // 64-bit computers: with 32-bit programs in their 32-bit view, and without any.
    if (c->registry->Find(lab::keys::kWow64Key) != nullptr) {
      const lab::RegistryNode* uninstall32 = c->registry->Find(lab::keys::kUninstall32Key);
      const bool any32 = uninstall32 != nullptr && !uninstall32->subkeys().empty();
      seen["64-bit computer with 32-bit programs"] += any32;
      seen["64-bit computer without 32-bit programs"] += !any32;
    } else {
      seen["32-bit computer"] += 1;
    }
    EXPECT_GE(c->services->list.size(), 50u) << file;
    EXPECT_LE(c->services->list.size(), 250u) << file;
    seen["nobody logged on"] += c->logons->entries.empty();
    seen["several logged on"] += c->logons->entries.size() >= 2;
  }
  for (const auto& [kind, count] : seen) EXPECT_GT(count, 0) << kind;
  EXPECT_GE(makers.size(), 6u);
  EXPECT_GE(systems.size(), 8u);
  EXPECT_TRUE(systems.count("Microsoft Windows XP Professional"));
  EXPECT_TRUE(systems.count("Microsoft Windows 11 Pro"));

  // Days that pass change what a scan sees, the same way for a seed.
  fs::copy(dir / "a", dir / "x");
  fs::copy(dir / "a", dir / "y");
  const ScanResult x = RunConsole({"lab-advance", (dir / "x").string(), "--days", "5", "--seed", "3"});
  ASSERT_EQ(x.exitCode, 0) << x.stderrText;
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "y").string(), "--days", "5", "--seed", "3"}).exitCode, 0);
  EXPECT_EQ(Files(dir / "x"), Files(dir / "y"));
  EXPECT_TRUE(Contains(x.StdoutText(), "advanced 5 days:"));

  const auto now = Files(dir / "x");
  // Kinds of change in each view: [0] the computer's own, [1] the 32-bit one.
  int changedVersions[2] = {}, installed[2] = {}, removed[2] = {}, freeChanged = 0;
  for (const auto& [file, text] : now) {
    const auto a = Parse(file, created.at(file));
    const auto b = Parse(file, text);
    EXPECT_EQ(b->latency.registry, 2u);  // what a day does not change stays
    const std::map<std::string, std::string> before = Versions(*a);
    const std::map<std::string, std::string> after = Versions(*b);
    for (const auto& [key, version] : after) {
      const auto was = before.find(key);
      const bool view32 = key.starts_with("32:");
      installed[view32] += was == before.end();
      changedVersions[view32] += was != before.end() && !was->second.empty() && !version.empty() && version != was->second;
    }
    for (const auto& [key, version] : before) removed[key.starts_with("32:")] += after.count(key) == 0;
    bool freeDiffers = a->shares.size() != b->shares.size();
    for (const auto& [share, space] : a->shares) {
      freeDiffers = freeDiffers || !b->shares.count(share) || b->shares.at(share).free != space.free;
    }
    if (freeDiffers) ++freeChanged;
  }
  for (const int view : {0, 1}) {
    EXPECT_GT(changedVersions[view], 0) << view;
    EXPECT_GT(installed[view], 0) << view;
    EXPECT_GT(removed[view], 0) << view;
  }
  EXPECT_GT(freeChanged, 30);

  // Without a seed, a lab advances the same way each time, and the advanced lab differently.
  fs::copy(dir / "a", dir / "z");
  fs::copy(dir / "a", dir / "z2");
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "z").string(), "--days", "1"}).exitCode, 0);
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "z2").string(), "--days", "1"}).exitCode, 0);
  const auto first = Files(dir / "z");
  EXPECT_EQ(first, Files(dir / "z2"));
  ASSERT_EQ(RunConsole({"lab-advance", (dir / "z").string(), "--days", "1"}).exitCode, 0);
  EXPECT_NE(first, Files(dir / "z"));
}

}  // namespace
}  // namespace korvane::test

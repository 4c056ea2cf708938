// The NT fallback, the remote registry primitives and the access check, inside the test
// process.
#include <gtest/gtest.h>

#include "collect/nt_fallback.h"
#include "collect/remote_registry.h"
#include "reach/access_check.h"
#include "tests/collect/fake_target.h"

namespace korvane {
namespace {

using test::CollectScan;

const std::string kNtKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion";

void XpRegistry(test::FakeTarget& t) {
  t.SetValue(kNtKey, "CurrentVersion", test::Sz("5.1"));
  t.SetValue(kNtKey, "CurrentBuildNumber", test::Sz("2600"));
  t.SetValue(kNtKey, "CSDVersion", test::Sz("Service Pack 2"));
  t.SetValue(kNtKey, "SystemRoot", test::Sz("C:\\WINDOWS"));
  t.SetValue("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters",
             "Domain", test::Sz("corp.example"));
  t.SetValue("HKEY_USERS\\.DEFAULT\\Control Panel\\International", "iCountry", test::Sz("44"));
}

TEST(NtFallback, ReadsSharesRegistryUserAndServices) {
  CollectScan s;
  XpRegistry(s.target);
  s.target.shares["\\\\PC01\\C$"] = {40007729152, 12884901888};
  s.target.shares["\\\\pc01\\E$"] = {80000000000, 1000};  // share names match in any case
  s.target.logons = {{"jsmith", "CORP"}};
  s.target.services = {{"Alerter", "Alerter", 0x20, 1}, {"Cdrom", "CD-ROM Driver", 0x1, 4}};
  ASSERT_FALSE(s.Run(NTMethod));
  const MachineSnapshot& m = s.k.snap;
  EXPECT_EQ(m.OSCaption, "Windows XP");
  EXPECT_EQ(m.OSVersion, "5.1.2600");
  EXPECT_EQ(m.CSDVersion, "Service Pack 2");
  EXPECT_EQ(m.WindowsDirectory, "C:\\WINDOWS");
  EXPECT_EQ(m.Domain, "corp.example");
  EXPECT_EQ(m.CountryCode, "44");
  EXPECT_EQ(m.UserName, "CORP\\jsmith");
  EXPECT_EQ(m.ServiceList, "Alerter");  // drivers are not listed
  EXPECT_EQ(m.Drives[2].Caption, "C:");
  EXPECT_EQ(m.Drives[2].FreeSpace, 12288);
  EXPECT_EQ(m.Drives[3].Caption, "");  // no D$
  EXPECT_EQ(m.Drives[3].Size, 0);
  EXPECT_EQ(m.Drives[4].Caption, "E:");
  EXPECT_EQ(m.Drives[4].FreeSpace, 0);  // 1000 bytes round to nothing
  EXPECT_EQ(m.Drives[4].VolumeName, "");
  EXPECT_EQ(m.Manufacturer, "");
  EXPECT_EQ(m.TotalPhysicalMemory, 0);
  EXPECT_TRUE(s.Log().empty());
  EXPECT_TRUE(s.Progress().empty());
}

TEST(NtFallback, UnreadableRegistryAndOtherVersions) {
  {
    CollectScan s;
    s.target.registryConnectStatus = 53;
    s.k.snap.OSCaption = "stale";
    s.k.snap.UserName = "stale";
    ASSERT_FALSE(s.Run(NTMethod));
    EXPECT_EQ(s.k.snap.OSCaption, "");
    EXPECT_EQ(s.k.snap.OSVersion, "");  // not "."
    EXPECT_EQ(s.k.snap.CSDVersion, "");
    EXPECT_EQ(s.k.snap.Domain, "");
    EXPECT_EQ(s.k.snap.CountryCode, "");
    // The workstation service answered with no logons: the user name is kept.
    EXPECT_EQ(s.k.snap.UserName, "stale");
  }
  {
    CollectScan s;
    s.target.SetValue(kNtKey, "CurrentVersion", test::Sz("6.0"));
    s.target.SetValue(kNtKey, "CurrentBuildNumber", test::Sz("6002"));
    ASSERT_FALSE(s.Run(NTMethod));
    EXPECT_EQ(s.k.snap.OSCaption, "6.0");
    EXPECT_EQ(s.k.snap.OSVersion, "6.0.6002");
  }
}

TEST(RemoteRegistry, ValueTypesAccessMaskAndSubkeys) {
  CollectScan s;
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Test";
  s.target.SetValue(key, "Plain", test::Sz("5.1"));
  s.target.SetValue(key, "Expand", test::ExpandSz("%SystemRoot%"));
  s.target.SetValue(key, "Multi", test::MultiSz({"a", "b"}));
  s.target.SetValue(key, "Number", test::Dword(7));
  s.target.SetValue(key + "\\One", "x", test::Sz("1"));
  s.target.SetValue(key + "\\Two\\Deeper", "x", test::Sz("2"));
  auto read = [&](const std::string& name) {
    return ReadRemoteValue(s.k, "PC01", kHkeyLocalMachine, "Software\\Test", name);
  };
  EXPECT_EQ(read("plain"), "5.1");
  EXPECT_EQ(read("Expand"), "%SystemRoot% ");
  EXPECT_EQ(read("Multi"), std::string("a b \0", 5));
  EXPECT_EQ(read("Number"), "");
  EXPECT_EQ(read("Missing"), "");

  TextList names;
  EnumRemoteSubkeys(s.k, "PC01", kHkeyLocalMachine, "Software\\Test", names);
  EXPECT_EQ(names, (TextList{"One", "Two"}));
  EnumRemoteSubkeys(s.k, "PC01", kHkeyLocalMachine, "Software\\Test\\One", names);
  EXPECT_EQ(names.size(), 2u);

  // A key the account may only read does not open for the value reader's mask, but its
  // subkeys can still be listed.
  s.target.registryReadOnly = true;
  EXPECT_EQ(read("Plain"), "");
  names.clear();
  EnumRemoteSubkeys(s.k, "PC01", kHkeyLocalMachine, "Software\\Test", names);
  EXPECT_EQ(names.size(), 2u);
  EXPECT_TRUE(s.Log().empty());
}

TEST(AccessCheck, PassesOnAnyVersionTextAndEndsTheScanOtherwise) {
  {
    CollectScan s;
    s.target.SetValue(kNtKey, "CurrentVersion", test::Sz("anything"));
    EXPECT_FALSE(s.Run(CheckAccess));
    EXPECT_TRUE(s.Log().empty());
  }
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    CollectScan s;
    if (variant == 0) s.target.registryConnectStatus = 53;
    if (variant == 1) s.target.SetValue(kNtKey, "CurrentVersion", test::Sz(""));
    if (variant == 2) {
      s.target.SetValue(kNtKey, "CurrentVersion", test::Sz("5.1"));
      s.target.registryReadOnly = true;
    }
    EXPECT_TRUE(s.Run(CheckAccess));
    EXPECT_EQ(s.Log(), std::vector<std::string>{"Insufficient access or error accessing PC ,PC01:"});
    EXPECT_EQ(s.Progress(), std::vector<std::string>{"PC01,Complete"});
  }
}

}  // namespace
}  // namespace korvane

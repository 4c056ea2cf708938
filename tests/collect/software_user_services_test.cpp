// The software collector, the logged-on user and the service list, inside the test
// process.
#include <gtest/gtest.h>

#include "collect/logged_on_user.h"
#include "collect/service_list.h"
#include "collect/software.h"
#include "tests/collect/fake_target.h"

namespace korvane {
namespace {

using test::CollectScan;

const std::string kUninstall =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

TEST(Software, HundredAndOneEntriesWithTheirRunningProgress) {
  CollectScan s;
  for (int i = 0; i < 101; ++i) {
    const std::string key = kUninstall + "P" + std::to_string(i);
    s.target.SetValue(key, "DisplayName", test::Sz("Product " + std::to_string(i)));
    if (i % 2 == 0) s.target.SetValue(key, "UninstallString", test::Sz("remove.exe"));
  }
  // The entry of P0 has every part; P2 an expandable name; P1 has no uninstall command.
  s.target.SetValue(kUninstall + "P0", "DisplayVersion", test::Sz("1.0"));
  s.target.SetValue(kUninstall + "P0", "InstallLocation", test::Sz("C:\\P0\\"));
  s.target.SetValue(kUninstall + "P0", "ProductID", test::Sz("73931"));
  s.target.SetValue(kUninstall + "P2", "DisplayName", test::ExpandSz("Product 2"));
  ASSERT_FALSE(s.Run(GetSoftware));

  EXPECT_EQ(s.k.List1.size(), 101u);
  ASSERT_EQ(s.k.List2.size(), 51u);
  EXPECT_EQ(s.k.List2[0], "Product 0§1.0§C:\\P0\\§73931");
  EXPECT_EQ(s.k.List2[1], "Product 2 §§§");
  EXPECT_EQ(s.k.List2[2], "Product 4§§§");
  EXPECT_EQ(s.k.snap.SoftwareList.rfind("Product 0§1.0§C:\\P0\\§73931^Product 2 §§§^", 0), 0u);
  EXPECT_NE(s.k.snap.SoftwareList.back(), '^');

  const auto progress = s.Progress();
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(progress[0], "PC01,35");
  EXPECT_EQ(progress[1], "PC01,40");
  EXPECT_EQ(progress[2], "PC01,51.2");  // the third entry sends the first running line
  EXPECT_EQ(progress[3], "PC01,52.4");
  // One line per whole point gained: 40 in all. The sum of 0.4 steps drifts, and the
  // last line shows the drift at 15 significant digits.
  EXPECT_EQ(progress.size(), 42u);
  EXPECT_EQ(progress.back(), "PC01,90.0000000000003");
  EXPECT_TRUE(s.Log().empty());
}

TEST(Software, OneEntryDividesByZeroAndNoneFindsNothing) {
  {
    CollectScan s;
    s.target.SetValue(kUninstall + "Only", "UninstallString", test::Sz("x"));
    s.k.snap.SoftwareList = "kept";
    ASSERT_FALSE(s.Run(GetSoftware));
    EXPECT_EQ(s.Log(), std::vector<std::string>{"Error listing software,PC01:Division by zero"});
    EXPECT_EQ(s.Progress(), (std::vector<std::string>{"PC01,35", "PC01,40", "PC01,Complete"}));
    EXPECT_EQ(s.k.snap.SoftwareList, "kept");
  }
  {
    CollectScan s;
    s.target.registryConnectStatus = 53;
    s.k.snap.SoftwareList = "kept";
    ASSERT_FALSE(s.Run(GetSoftware));
    EXPECT_EQ(s.Log(), std::vector<std::string>{"Unable to access remote registry,PC01:"});
    EXPECT_EQ(s.Progress(), (std::vector<std::string>{"PC01,35", "PC01,40"}));
    EXPECT_EQ(s.k.snap.SoftwareList, "kept");
  }
}

TEST(LoggedOnUser, SmsRuleLastWinsAndPaging) {
  struct Case {
    std::vector<test::Logon> logons;
    uint32_t perCall;
    std::string user;
    int calls;
    int passing;
  };
  for (const Case& c : {
           Case{{{"jsmith", "CORP"}, {"SMSvcHost", "CORP"}}, 2, "CORP\\jsmith", 1, 1},
           Case{{{"alice", "LAB"}, {"bob", "LAB"}}, 2, "LAB\\bob", 1, 2},
           Case{{{"smsadmin", "LAB"}}, 2, "LAB\\smsadmin", 1, 1},
           Case{{{"", "LAB"}, {"SMS", "LAB"}}, 2, "", 1, 0},
           Case{{{"u1", "D"}, {"u2", "D"}, {"u3", "D"}, {"u4", "D"}, {"u5", "D"}}, 2, "D\\u5", 3, 5},
       }) {
    CollectScan s;
    s.target.logons = c.logons;
    s.target.perCall = c.perCall;
    s.k.snap.UserName = "before";
    ASSERT_FALSE(s.Run(GetUser));
    EXPECT_EQ(s.k.snap.UserName, c.user);
    EXPECT_EQ(s.target.logonCalls, c.calls);
    EXPECT_EQ(s.process.pendingEventRuns, c.passing);
  }
  // Paged delivery fills the entries in delivery order.
  CollectScan s;
  s.target.logons = {{"u1", "D"}, {"u2", "D"}, {"u3", "D"}, {"u4", "D"}, {"u5", "D"}};
  WkstaUserEntries entries;
  ASSERT_EQ(EnumWkstaUsers(s.k, entries), 0u);
  ASSERT_EQ(entries.Count(), 5u);
  for (uint32_t i = 1; i <= 5; ++i) EXPECT_EQ(entries.At(i).LogonUser, "u" + std::to_string(i));
}

TEST(LoggedOnUser, RefusalClearsAndSubscriptErrorsKeepTheName) {
  {
    CollectScan s;
    s.target.logonStatus = 5;
    s.k.snap.UserName = "CORP\\fromwmi";
    ASSERT_FALSE(s.Run(GetUser));
    EXPECT_EQ(s.k.snap.UserName, "");
  }
  {
    CollectScan s;  // no logons at all
    s.k.snap.UserName = "CORP\\fromwmi";
    EXPECT_THROW(GetUser(s.k), RuntimeError);
    EXPECT_EQ(s.k.snap.UserName, "CORP\\fromwmi");
  }
  {
    CollectScan s;  // logons appearing between two pages overflow the first total
    s.target.logons = {{"a", "D"}, {"b", "D"}, {"c", "D"}};
    s.target.addedAfterFirstCall = {{"late", "D"}};
    s.k.snap.UserName = "CORP\\fromwmi";
    EXPECT_THROW(GetUser(s.k), RuntimeError);
    EXPECT_EQ(s.k.snap.UserName, "CORP\\fromwmi");
  }
}

TEST(ServiceList, NamesAndTheFailuresInBothModes) {
  {
    CollectScan s;
    s.target.services = {{"Alerter", "Alerter", 0x20, 1}, {"Empty", "", 0x10, 1},
                         {"Browser", std::string("Computer Browser\0x", 18), 0x20, 4}};
    ASSERT_FALSE(s.Run([](Korvane& k) { ListServices(k, ServiceListMode::Logged); }));
    EXPECT_EQ(s.k.snap.ServiceList, "Alerter^Computer Browser");
  }
  struct Case {
    void (*setup)(test::FakeTarget&);
    std::vector<std::string> logged;
    std::vector<std::string> boxes;
  };
  const std::vector<std::string> none;
  for (const Case& c : {
           Case{[](test::FakeTarget& t) { t.managerOpens = false; }, none, none},
           Case{[](test::FakeTarget& t) { t.probeLastError = 5; },
                {"Error listing services,PC01:"}, {"LastDLLError = 5"}},
           Case{[](test::FakeTarget& t) { t.listGrows = true; },
                {"Error listing services,PC01:"}, {"EnumServicesStatus failed. LastDllError = 234"}},
       }) {
    for (ServiceListMode mode : {ServiceListMode::Logged, ServiceListMode::Message}) {
      CollectScan s;
      s.target.services = {{"Alerter", "Alerter", 0x20, 1}};
      c.setup(s.target);
      ASSERT_FALSE(s.Run([mode](Korvane& k) { ListServices(k, mode); }));
      EXPECT_EQ(s.k.snap.ServiceList, "");
      EXPECT_EQ(s.Log(), mode == ServiceListMode::Logged ? c.logged : none);
      EXPECT_EQ(s.process.messageBoxes, mode == ServiceListMode::Message ? c.boxes : none);
    }
  }
}

}  // namespace
}  // namespace korvane

// The lab's service control manager, workstation service, disk shares and answer times.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "tests/lab/lab_fixture.h"

namespace korvane::test {
namespace {

using LabServicesTest = LabTest;
using LabLogonsTest = LabTest;
using LabSharesTest = LabTest;
using LabLatencyTest = LabTest;

struct Listing {
  bool probeOk = true;
  uint32_t probeError = 0;
  uint32_t bytesNeeded = 0;
  bool listOk = false;
  uint32_t listError = 0;
  std::vector<ServiceStatusEntry> entries;
  uint32_t returned = 0;
};

// The listing as the service collector makes it: probe, then entries*36 bytes.
Listing ListAs(ServiceManagerHandle& handle, uint32_t state = kServiceStateAll) {
  Listing l;
  uint32_t returned = 0, resume = 0;
  l.probeOk = handle.EnumServicesStatus(kServiceWin32, state, 0, nullptr, l.bytesNeeded, returned, resume);
  l.probeError = handle.LastError();
  const auto entries = static_cast<uint32_t>(std::nearbyint(l.bytesNeeded / 36.0 + 1));
  uint32_t needed = 0;
  resume = 0;
  l.listOk = handle.EnumServicesStatus(kServiceWin32, state, entries * 36, &l.entries, needed,
                                       l.returned, resume);
  l.listError = handle.LastError();
  return l;
}

constexpr const char* kServices = R"({"services": {"list": [
    {"name": "Alerter", "display": "Alerter", "type": "share", "state": "stopped"},
    {"name": "Browser", "display": "Computer Browser"},
    {"name": "Cdrom", "display": "CD-ROM Driver", "type": "driver"},
    {"name": "Blank", "display": ""},
    {"name": "NoDisplay"}]}})";

TEST_F(LabServicesTest, ListsWin32ServicesWithRealisticSizes) {
  Computer("PC01", kServices);
  Computer("NoManager", "{}");
  Computer("Refused", R"({"services": {"manager": "refused", "list": [{"name": "A"}]}})");
  EXPECT_EQ(Lab().Services().Open("NoManager", kScManagerEnumerateService), nullptr);
  EXPECT_EQ(Lab().Services().Open("Refused", kScManagerEnumerateService), nullptr);
  EXPECT_EQ(Lab().Services().Open("Nobody", kScManagerEnumerateService), nullptr);

  auto handle = Lab().Services().Open("pc01", kScManagerEnumerateService);
  ASSERT_NE(handle, nullptr);
  Listing l = ListAs(*handle);
  EXPECT_FALSE(l.probeOk);
  EXPECT_EQ(l.probeError, 234u);
  // 36 per record plus names and display names with their NULs; the driver is left out.
  const uint32_t expected = (36 + 8 + 8) + (36 + 8 + 17) + (36 + 6 + 1) + (36 + 10 + 10);
  EXPECT_EQ(l.bytesNeeded, expected);
  EXPECT_TRUE(l.listOk);
  ASSERT_EQ(l.returned, 4u);
  ASSERT_EQ(l.entries.size(), 4u);
  EXPECT_EQ(l.entries[0].displayName, "Alerter");
  EXPECT_EQ(l.entries[0].serviceType, 0x20u);
  EXPECT_EQ(l.entries[0].currentState, 1u);
  EXPECT_EQ(l.entries[1].serviceName, "Browser");
  EXPECT_EQ(l.entries[1].displayName, "Computer Browser");
  EXPECT_EQ(l.entries[1].currentState, 4u);
  EXPECT_EQ(l.entries[2].displayName, "");
  EXPECT_EQ(l.entries[3].displayName, "NoDisplay");  // the service name stands in

  // Only the active ones, when asked so.
  EXPECT_EQ(ListAs(*handle, 1).returned, 3u);

  // A buffer one byte short delivers what fits and asks for the rest.
  std::vector<ServiceStatusEntry> some;
  uint32_t needed = 0, returned = 0, resume = 0;
  EXPECT_FALSE(handle->EnumServicesStatus(kServiceWin32, kServiceStateAll, expected - 1, &some,
                                          needed, returned, resume));
  EXPECT_EQ(handle->LastError(), 234u);
  EXPECT_EQ(returned, 3u);
  EXPECT_EQ(needed, 36u + 10 + 10);
  EXPECT_EQ(resume, 3u);
  EXPECT_TRUE(handle->EnumServicesStatus(kServiceWin32, kServiceStateAll, 1000, &some, needed,
                                         returned, resume));
  ASSERT_EQ(returned, 1u);
  EXPECT_EQ(some[0].serviceName, "NoDisplay");

  handle->Close();
  EXPECT_FALSE(handle->EnumServicesStatus(kServiceWin32, kServiceStateAll, 1000, &some, needed,
                                          returned, resume));
}

TEST_F(LabServicesTest, RefusedEnumerationAndGrowingList) {
  Computer("Denies", R"({"services": {"manager": "enumRefused", "list": [{"name": "A"}]}})");
  Computer("Grows", R"({"services": {"manager": "grows", "list": [{"name": "Alerter"}, {"name": "Browser"}]}})");
  Computer("Empty", R"({"services": {}})");

  auto denies = Lab().Services().Open("Denies", kScManagerEnumerateService);
  ASSERT_NE(denies, nullptr);
  Listing l = ListAs(*denies);
  EXPECT_FALSE(l.probeOk);
  EXPECT_EQ(l.probeError, 5u);

  auto grows = Lab().Services().Open("Grows", kScManagerEnumerateService);
  ASSERT_NE(grows, nullptr);
  l = ListAs(*grows);
  EXPECT_EQ(l.probeError, 234u);
  EXPECT_EQ(l.bytesNeeded, 2 * (36u + 8 + 8));
  EXPECT_FALSE(l.listOk);
  EXPECT_EQ(l.listError, 234u);

  // An empty list: the probe succeeds with nothing to return.
  auto empty = Lab().Services().Open("Empty", kScManagerEnumerateService);
  ASSERT_NE(empty, nullptr);
  l = ListAs(*empty);
  EXPECT_TRUE(l.probeOk);
  EXPECT_EQ(l.bytesNeeded, 0u);
  EXPECT_TRUE(l.listOk);
  EXPECT_EQ(l.returned, 0u);
}

struct Enumeration {
  std::vector<uint32_t> statuses, reads, totals;
  std::vector<std::string> users;
};

// Calls as the logged-on-user lookup does, until the total equals the entries read (at
// most ten calls, so a wrong total cannot hang the test).
Enumeration Enumerate(TargetNetwork& lab, const std::string& server) {
  Enumeration e;
  uint32_t resume = 0, read = 0, total = 999;
  for (int call = 0; call < 10 && total != read; ++call) {
    std::vector<WkstaUserInfo1> buffer;
    const uint32_t status = lab.Workstation().NetWkstaUserEnum(server, 1, 256, buffer, read, total, resume);
    e.statuses.push_back(status);
    e.reads.push_back(read);
    e.totals.push_back(total);
    if (status != 0 && status != 234) break;
    for (const auto& entry : buffer) e.users.push_back(entry.logonDomain + "\\" + entry.userName);
  }
  return e;
}

TEST_F(LabLogonsTest, PagesThroughLogonsAsTheWorkstationServiceDoes) {
  Computer("Five", R"({"logons": {"entries": [{"user": "u1", "domain": "D"}, {"user": "u2", "domain": "D"},
      {"user": "u3", "domain": "D"}, {"user": "u4", "domain": "D"}, {"user": "u5", "domain": "D"}]}})");
  Computer("Three", R"({"logons": {"perCall": 3, "entries": [{"user": "a", "domain": "L"}, {"user": "b", "domain": "L"}]}})");
  Computer("Growing", R"({"logons": {"entries": [{"user": "a", "domain": "X"}, {"user": "b", "domain": "X"},
      {"user": "c", "domain": "X"}], "addedAfterFirstCall": [{"user": "late", "domain": "X"}]}})");
  Computer("Nobody", R"({"logons": {"entries": []}})");
  Computer("Denied", R"({"logons": {"status": 5, "entries": [{"user": "a"}]}})");
  Computer("NoService", "{}");

  Enumeration e = Enumerate(Lab(), "FIVE");
  EXPECT_EQ(e.statuses, (std::vector<uint32_t>{234, 234, 0}));
  EXPECT_EQ(e.reads, (std::vector<uint32_t>{2, 2, 1}));
  EXPECT_EQ(e.totals, (std::vector<uint32_t>{5, 3, 1}));
  EXPECT_EQ(e.users, (std::vector<std::string>{"D\\u1", "D\\u2", "D\\u3", "D\\u4", "D\\u5"}));

  e = Enumerate(Lab(), "\\\\Three");
  EXPECT_EQ(e.statuses, (std::vector<uint32_t>{0}));
  EXPECT_EQ(e.users, (std::vector<std::string>{"L\\a", "L\\b"}));

  // The later call reports the added logon in its total and delivers it too.
  e = Enumerate(Lab(), "Growing");
  EXPECT_EQ(e.totals, (std::vector<uint32_t>{3, 2}));
  EXPECT_EQ(e.statuses, (std::vector<uint32_t>{234, 0}));
  EXPECT_EQ(e.users, (std::vector<std::string>{"X\\a", "X\\b", "X\\c", "X\\late"}));

  e = Enumerate(Lab(), "Nobody");
  EXPECT_EQ(e.statuses, (std::vector<uint32_t>{0}));
  EXPECT_EQ(e.totals, (std::vector<uint32_t>{0}));

  EXPECT_EQ(Enumerate(Lab(), "Denied").statuses, (std::vector<uint32_t>{5}));
  EXPECT_EQ(Enumerate(Lab(), "NoService").statuses, (std::vector<uint32_t>{53}));
  EXPECT_EQ(Enumerate(Lab(), "Unknown").statuses, (std::vector<uint32_t>{53}));
}

TEST_F(LabSharesTest, AdministrativeSharesByName) {
  Computer("PC01", R"({"aliases": ["pc01.corp.example"], "shares": {
      "C$": {"total": 40007729152, "free": 12884901888}, "e$": {"total": 80000000000, "free": 1000}}})");
  uint64_t available = 7, total = 7, free = 7;
  EXPECT_TRUE(Lab().Shares().GetDiskFreeSpaceEx("\\\\PC01\\C$", available, total, free));
  EXPECT_EQ(total, 40007729152u);
  EXPECT_EQ(free, 12884901888u);
  EXPECT_EQ(available, 12884901888u);
  EXPECT_TRUE(Lab().Shares().GetDiskFreeSpaceEx("\\\\pc01\\c$\\", available, total, free));
  EXPECT_TRUE(Lab().Shares().GetDiskFreeSpaceEx("\\\\PC01\\E$", available, total, free));
  EXPECT_EQ(free, 1000u);
  EXPECT_TRUE(Lab().Shares().GetDiskFreeSpaceEx("\\\\PC01.corp.example\\e$", available, total, free));

  available = total = free = 7;
  EXPECT_FALSE(Lab().Shares().GetDiskFreeSpaceEx("\\\\PC01\\d$", available, total, free));
  EXPECT_FALSE(Lab().Shares().GetDiskFreeSpaceEx("\\\\PC02\\C$", available, total, free));
  EXPECT_FALSE(Lab().Shares().GetDiskFreeSpaceEx("PC01\\C$", available, total, free));
  EXPECT_FALSE(Lab().Shares().GetDiskFreeSpaceEx("\\\\PC01", available, total, free));
  EXPECT_EQ(total, 7u);  // untouched when the share cannot be reached
  EXPECT_EQ(free, 7u);
}

TEST_F(LabLatencyTest, EachKindOfCallWaitsItsConfiguredTime) {
  Computer("Slow", R"({"address": "10.9.9.9", "wmi": {}, "registry": {}, "services": {}, "logons": {},
      "shares": {"C$": {"total": 1, "free": 1}},
      "latencyMs": {"echo": 30, "wmiConnect": 40, "wmiQuery": 30, "registry": 30, "services": 30,
                    "logons": 30, "shares": 30}})");
  using Clock = std::chrono::steady_clock;
  auto elapsedMs = [](auto&& call) {
    const auto start = Clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  };
  TargetNetwork& lab = Lab();
  lab.Echo().Resolve("Slow");
  auto handle = lab.Echo().CreateEchoHandle();
  EXPECT_GE(elapsedMs([&] { handle->SendEcho(IPv4{10, 9, 9, 9}, "A", 255, 2000); }), 30);
  std::unique_ptr<WmiServices> services;
  EXPECT_GE(elapsedMs([&] { services = lab.Wmi().CreateLocator()->ConnectServer("Slow"); }), 40);
  EXPECT_GE(elapsedMs([&] { services->ExecQuery("Select * From Win32_BIOS", "WQL", 16); }), 30);
  std::unique_ptr<RegistryKey> key;
  EXPECT_GE(elapsedMs([&] { lab.Registry().Connect("Slow", kHkeyLocalMachine, key); }), 30);
  std::unique_ptr<RegistryKey> sub;
  EXPECT_GE(elapsedMs([&] { key->OpenKey("Software", 0, 8, sub); }), 30);
  std::unique_ptr<ServiceManagerHandle> manager;
  EXPECT_GE(elapsedMs([&] { manager = lab.Services().Open("Slow", 4); }), 30);
  uint32_t needed = 0, returned = 0, resume = 0;
  EXPECT_GE(elapsedMs([&] { manager->EnumServicesStatus(kServiceWin32, 3, 0, nullptr, needed, returned, resume); }), 30);
  std::vector<WkstaUserInfo1> buffer;
  uint32_t read = 0, total = 0;
  EXPECT_GE(elapsedMs([&] { lab.Workstation().NetWkstaUserEnum("Slow", 1, 256, buffer, read, total, resume); }), 30);
  uint64_t a = 0, t = 0, f = 0;
  EXPECT_GE(elapsedMs([&] { lab.Shares().GetDiskFreeSpaceEx("\\\\Slow\\C$", a, t, f); }), 30);
  EXPECT_EQ(Diagnostics(), "");
}

}  // namespace
}  // namespace korvane::test

// The reach stage: the real ICMP echo on Linux, and the last-access record. Every echo
// request goes to the loopback range or into a network namespace of the test's own;
// nothing leaves the machine.
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/icmp_echo.h"
#include "tests/support/scannable_computer.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

constexpr uint32_t kTimedOut = 11010;
const std::string kData(32, 'A');

TEST(EchoTest, LoopbackAnswers) {
  PosixEchoService echo;
  EXPECT_EQ(echo.Resolve("localhost"), (IPv4{127, 0, 0, 1}));
  EXPECT_EQ(echo.Resolve(""), std::nullopt);

  // Any loopback address answers with itself as the source; through one handle, each
  // request waits for its own reply.
  auto handle = echo.CreateEchoHandle();
  ASSERT_NE(handle, nullptr);
  for (const IPv4 address : {IPv4{127, 0, 0, 2}, IPv4{127, 0, 0, 1}, IPv4{127, 0, 0, 3}}) {
    const EchoReply reply = handle->SendEcho(address, kData, 255, 2000);
    EXPECT_EQ(reply.replies, 1u);
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.source, address);
  }
}

// Runs `checks` in a child inside a network namespace of its own: loopback up, a dummy (or
// veth) interface on 192.0.2.1/24 whose neighbours never answer, and ping_group_range
// `pingGroups` ("1 0": no datagram ICMP socket, so a raw one). 10 and over: no namespace.
template <class Checks>
int RunInOwnNamespace(const char* pingGroups, Checks checks) {
  const pid_t pid = fork();
  if (pid == 0) {
    const auto run = [](const std::string& command) {
      return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    };
    if (unshare(CLONE_NEWNET) != 0 || !run("ip link set lo up")) _exit(10);
    if (!run("ip link add kv0 type dummy") && !run("ip link add kv0 type veth peer name kv1")) _exit(11);
    if (!run("ip addr add 192.0.2.1/24 dev kv0") || !run("ip link set kv0 up")) _exit(12);
    const int range = open("/proc/sys/net/ipv4/ping_group_range", O_WRONLY | O_CLOEXEC);
    if (range < 0 || write(range, pingGroups, strlen(pingGroups)) < 0) _exit(2);
    close(range);
    _exit(checks() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Failures inside the child are reported from there; its exit status says whether any came.
TEST(EchoTest, SilentAddressTimesOutInsideOwnNamespace) {
  auto checks = [] {
    PosixEchoService echo;
    const auto handle = echo.CreateEchoHandle();
    EXPECT_NE(handle, nullptr) << "no ICMP socket could be opened";
    if (!handle) return false;
    const EchoReply silent = handle->SendEcho(IPv4{192, 0, 2, 2}, kData, 255, 2000);
    EXPECT_EQ(silent.replies, 0u);
    EXPECT_EQ(silent.status, kTimedOut);
    const EchoReply own = handle->SendEcho(IPv4{192, 0, 2, 1}, kData, 255, 2000);
    EXPECT_EQ(own.status, 0u);
    EXPECT_EQ(own.source, (IPv4{192, 0, 2, 1}));
    // With no way out of the namespace a name that is not local cannot resolve.
    EXPECT_EQ(echo.Resolve("korvane-nowhere.invalid"), std::nullopt);
    return !::testing::Test::HasFailure();
  };
  // Through the datagram ICMP socket, then through the raw one.
  for (const char* pingGroups : {"0 2147483647", "1 0"}) {
    const int status = RunInOwnNamespace(pingGroups, checks);
    if (status >= 10) GTEST_SKIP() << "echo time-out test: no network namespace (needs root and iproute2)";
    EXPECT_EQ(status, 0) << "ping_group_range " << pingGroups;
  }
}

// The real scanner against a fresh SQLite inventory, with or without a lab. On Linux,
// having no remote registry, an answering computer's scan stops at the access check.
class ReachScan : public ::testing::Test {
 protected:
  void Computer(const std::string& name, const std::string& json) { WriteFile(lab_ / (name + ".json"), json); }

  // `labDir` empty: no lab, the real echo.
  ScanResult Scan(const std::string& name, const std::string& labDir, const std::string& server = "") {
    std::filesystem::remove(temp_ / "DrevantaAssetDB.log");
    return ScanFromLab(name, server.empty() ? inventory_.DataSource() : server, labDir, temp_.str());
  }
  std::vector<std::string> Log() { return LogTexts(temp_.path()); }

  static std::vector<std::string> EndedAfterTheAttempt(const std::string& name) {
    return {name + ",2", name + ",4", name + ",Complete"};
  }

  Inventory inventory_;
  TempDir lab_;
  TempDir temp_;
};

TEST_F(ReachScan, AnAnswerIsRecordedWithTheAddressItCameFrom) {
  const ScanResult loopback = Scan("127.0.0.1", "");
  EXPECT_EQ(loopback.exitCode, 0) << loopback.stderrText;
  EXPECT_EQ(loopback.progress, EndedAfterTheAttempt("127.0.0.1"));
  EXPECT_EQ(Log(), std::vector<std::string>{"Insufficient access or error accessing PC ,127.0.0.1:"});
  ASSERT_EQ(inventory_.RowsOf("LastAccess", "127.0.0.1").size(), 1u);
  EXPECT_FALSE(inventory_.RowsOf("LastAccess", "127.0.0.1")[0][1].IsNull());

  // The lab's reply comes from another address than the one resolved: that one is stored.
  Computer("PC01", ScannableComputer("PC01", "Dell", {}, "1",
                                     R"("address": "192.168.1.20", "echo": {"from": "192.168.1.99"},)"));
  const ScanResult answered = Scan("PC01", lab_.str());
  EXPECT_EQ(answered.exitCode, 0) << answered.stderrText;
  EXPECT_EQ(answered.stderrText, "");
  ASSERT_FALSE(answered.progress.empty());
  EXPECT_EQ(answered.progress.back(), "PC01,Complete");
  EXPECT_EQ(inventory_.Rows("SELECT IPAddress FROM Asset WHERE Computer = 'PC01'"),
            (std::vector<std::vector<Variant>>{{Variant("192.168.1.99")}}));
}

// Progress lines like those of an unreadable registry: only the Null access time tells
// that nobody answered. A broken or missing lab is reported on standard error.
TEST_F(ReachScan, SilentComputersAndBrokenLabsLeaveANullAccessTime) {
  struct Case {
    std::string name, file, labDir, stderrText;
  };
  const std::string gone = (lab_ / "gone").string();
  // The broken file comes last: the lab reads every file, and would report it each time.
  for (const Case& c : {Case{"0.0.0.0", "", "", ""},  // a name that did not resolve: no traffic
                        Case{"UNREACH", R"({"echo": {"status": 11003}, "registry": {}})", lab_.str(), ""},
                        Case{"NOHANDLE", R"({"echo": {"handle": false}, "registry": {}})", lab_.str(),
                             "Korvane: Unable to Create File Handle\n"},
                        Case{"BROKEN", "{\"echo\": tru}", lab_.str(),
                             "lab: " + (lab_ / "BROKEN.json").string() +
                                 ": line 1, column 13: syntax error while parsing value - invalid literal; "
                                 "last read: '\"echo\": tru}'; BROKEN does not answer\n"},
                        Case{"MISSING", "", gone,
                             "lab: " + gone + " is not a directory; no computer answers\n"}}) {
    SCOPED_TRACE(c.name);
    if (!c.file.empty()) Computer(c.name, c.file);
    const ScanResult r = Scan(c.name, c.labDir);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.progress, EndedAfterTheAttempt(c.name));
    EXPECT_EQ(r.stderrText, c.stderrText);
    EXPECT_EQ(Log(), std::vector<std::string>{});
    EXPECT_EQ(inventory_.RowsOf("LastAccess", c.name),
              (std::vector<std::vector<Variant>>{{Variant(c.name), Variant::Null()}}));
  }
}

// A server that cannot be reached, a missing catalog file or table: logged once with the
// database's description, and the scan ends before the access check.
TEST_F(ReachScan, AnUnusableDatabaseIsLoggedOnceAndEndsTheScan) {
  Computer("PC01", "{}");
  TempDir emptyDirectory;  // no DrevantaAsset.sqlite in it
  Inventory noTable;
  noTable.Execute("DROP TABLE LastAccess");

  // The server, and part of the database's description.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no-such-server.invalid", "SQL Server does not exist or access denied: 'no-such-server.invalid'"},
      {emptyDirectory.str(), "unable to open"},
      {noTable.DataSource(), "LastAccess"}};
  for (const auto& [server, expectedText] : cases) {
    SCOPED_TRACE(server);
    const ScanResult result = Scan("PC01", lab_.str(), server);
    EXPECT_EQ(result.exitCode, 0) << result.stderrText;
    EXPECT_EQ(result.progress, EndedAfterTheAttempt("PC01"));
    const auto log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].starts_with("Error updating last access database,PC01:")) << log[0];
    EXPECT_NE(log[0].find(expectedText), std::string::npos) << log[0];
  }
  // The scanner never creates the catalog file.
  EXPECT_FALSE(std::filesystem::exists(emptyDirectory / "DrevantaAsset.sqlite"));
}

}  // namespace
}  // namespace korvane::test

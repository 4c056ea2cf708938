// The reach stage: the real ICMP echo on Linux, and the last-access record. Every echo
// request goes to the loopback range or into a network namespace this test makes itself
// (and removes); nothing leaves the machine.
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/icmp_echo.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

constexpr uint32_t kTimedOut = 11010;
const std::string kData(32, 'A');

EchoReply Ping(PosixEchoService& echo, IPv4 destination) {
  std::unique_ptr<EchoHandle> handle = echo.CreateEchoHandle();
  EXPECT_NE(handle, nullptr) << "no ICMP socket could be opened";
  if (!handle) return {};
  return handle->SendEcho(destination, kData, 255, 2000);
}

TEST(EchoTest, LoopbackAnswers) {
  PosixEchoService echo;
  EXPECT_EQ(echo.Resolve("localhost"), (IPv4{127, 0, 0, 1}));
  EXPECT_EQ(echo.Resolve(""), std::nullopt);

  // Any loopback address answers with itself as the source.
  const EchoReply reply = Ping(echo, IPv4{127, 0, 0, 2});
  EXPECT_EQ(reply.replies, 1u);
  EXPECT_EQ(reply.status, 0u);
  EXPECT_EQ(reply.source, (IPv4{127, 0, 0, 2}));

  // Two requests through one handle: each waits for its own reply.
  auto handle = echo.CreateEchoHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle->SendEcho(IPv4{127, 0, 0, 1}, kData, 255, 2000).status, 0u);
  EXPECT_EQ(handle->SendEcho(IPv4{127, 0, 0, 1}, kData, 255, 2000).status, 0u);
}

// A namespace of the test's own: loopback up, and one dummy (or veth) interface on
// 192.0.2.1/24 whose neighbours never answer. Removed when the test ends.
class EchoNamespace {
 public:
  EchoNamespace() : name_("korvane-echo-" + std::to_string(getpid())) {}
  ~EchoNamespace() {
    if (made_) Run("ip netns del " + name_);
  }

  // Empty on success, else why the namespace could not be made.
  std::string Make() {
    if (geteuid() != 0) return "needs root to make a network namespace";
    if (std::system("command -v ip >/dev/null 2>&1") != 0) return "needs the ip command (iproute2)";
    RemoveOrphans();
    if (!Run("ip netns add " + name_)) return "ip netns add failed";
    made_ = true;
    if (!Run("ip -n " + name_ + " link set lo up")) return "cannot bring loopback up";
    const bool dummy = Run("ip -n " + name_ + " link add kv0 type dummy");
    if (!dummy && !Run("ip -n " + name_ + " link add kv0 type veth peer name kv1")) {
      return "neither a dummy nor a veth interface can be made";
    }
    if (!Run("ip -n " + name_ + " addr add 192.0.2.1/24 dev kv0") ||
        !Run("ip -n " + name_ + " link set kv0 up")) {
      return "cannot configure the test interface";
    }
    return {};
  }

  // Runs `body` in a child inside the namespace with its ping_group_range set to
  // `pingGroups` ("1 0": no datagram ICMP socket, so the probe falls back to a raw one).
  template <class Body>
  bool RunInside(const char* pingGroups, Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
      const int fd = open(("/var/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || setns(fd, CLONE_NEWNET) != 0) _exit(2);
      const int range = open("/proc/sys/net/ipv4/ping_group_range", O_WRONLY | O_CLOEXEC);
      if (range < 0 || write(range, pingGroups, strlen(pingGroups)) < 0) _exit(3);
      close(range);
      _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  // Namespaces of earlier runs that were killed before they could clean up: their
  // process is gone.
  static void RemoveOrphans() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/var/run/netns", ec)) {
      const std::string name = entry.path().filename().string();
      const std::string prefix = "korvane-echo-";
      if (name.rfind(prefix, 0) != 0) continue;
      const std::string pid = name.substr(prefix.size());
      if (!pid.empty() && !std::filesystem::exists("/proc/" + pid)) Run("ip netns del " + name);
    }
  }

  static bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
  }

  std::string name_;
  bool made_ = false;
};

bool Check(bool ok, const char* what) {
  if (!ok) fprintf(stderr, "inside the namespace: %s\n", what);
  return ok;
}

TEST(EchoTest, SilentAddressTimesOutInsideOwnNamespace) {
  EchoNamespace ns;
  if (const std::string why = ns.Make(); !why.empty()) GTEST_SKIP() << "echo time-out test " << why;

  auto checks = [] {
    PosixEchoService echo;
    bool ok = true;
    const EchoReply silent = Ping(echo, IPv4{192, 0, 2, 2});
    ok &= Check(silent.replies == 0, "a reply came from 192.0.2.2");
    ok &= Check(silent.status == kTimedOut, "192.0.2.2 did not time out with 11010");
    const EchoReply own = Ping(echo, IPv4{192, 0, 2, 1});
    ok &= Check(own.status == 0 && own.source == IPv4{192, 0, 2, 1}, "own address did not answer");
    // With no way out of the namespace a name that is not local cannot resolve.
    ok &= Check(!echo.Resolve("korvane-nowhere.invalid").has_value(), "a made-up name resolved");
    return ok;
  };
  EXPECT_TRUE(ns.RunInside("0 2147483647", checks)) << "through the datagram ICMP socket";
  EXPECT_TRUE(ns.RunInside("1 0", checks)) << "through the raw ICMP socket";
}

// The scanner itself, without a lab: the probe's answer decides whether the last-access
// time is written and whether the scan goes on past the attempt record (to the access
// check, where Linux, having no remote registry, stops it). 0.0.0.0 stands for a name
// that did not resolve: no answer, no traffic.
TEST(EchoScanTest, LoopbackAnswersTheRealScanner) {
  Inventory inventory;
  TempDir temp;
  for (const std::string computer : {"127.0.0.1", "0.0.0.0"}) {
    const bool answers = computer != "0.0.0.0";
    const ScanResult r = RunScanner(
        {.args = {ScanCommandLine(computer, inventory.DataSource())}, .env = {{"Temp", temp.str()}}});
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.progress,
              (std::vector<std::string>{computer + ",2", computer + ",4", computer + ",Complete"}));
    const auto rows = inventory.RowsOf("LastAccess", computer);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1].IsNull(), !answers) << computer;
    const std::string log = ReadFile(temp / "DrevantaAssetDB.log");
    const std::string accessCheck = "Insufficient access or error accessing PC ," + computer + ":";
    EXPECT_EQ(log.find(accessCheck) != std::string::npos, answers);
    EXPECT_EQ(log.find(computer + ":") != std::string::npos, answers) << log;
  }
}

// A server that cannot be reached, a missing catalog file or table: logged once with the
// database's description, and the scan ends before the access check.
TEST(LastAccessFailures, AnUnusableDatabaseIsLoggedOnceAndEndsTheScan) {
  TempDir lab;
  TempDir temp;
  WriteFile(lab / "PC01.json", "{}");
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
    std::filesystem::remove(temp / "DrevantaAssetDB.log");
    const ScanResult result = RunScanner(
        {.args = {ScanCommandLine("PC01", server)}, .env = {{"KORVANE_LAB", lab.str()}, {"Temp", temp.str()}}});
    EXPECT_EQ(result.exitCode, 0) << result.stderrText;
    EXPECT_EQ(result.progress, (std::vector<std::string>{"PC01,2", "PC01,4", "PC01,Complete"}));
    const auto lines = ReadLines(temp / "DrevantaAssetDB.log");
    ASSERT_EQ(lines.size(), 1u);
    const std::string entry = lines[0].substr(lines[0].find(',') + 1);
    EXPECT_TRUE(entry.starts_with("Error updating last access database,PC01:")) << entry;
    EXPECT_NE(entry.find(expectedText), std::string::npos) << entry;
  }
  // The scanner never creates the catalog file.
  EXPECT_FALSE(std::filesystem::exists(emptyDirectory / "DrevantaAsset.sqlite"));
}

}  // namespace
}  // namespace korvane::test

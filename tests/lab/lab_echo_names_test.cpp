// The lab's echo, its name resolution and how it deals with broken files, through the
// TargetNetwork interface as the scanner sees it.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/runtime_error.h"
#include "tests/lab/lab_fixture.h"

namespace korvane::test {
namespace {

constexpr uint32_t kTimedOut = 11010;

int CountLines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class LabEchoTest : public LabTest {
 protected:
  // Resolve, create the handle and send, as the probe does.
  EchoReply Probe(const std::string& name) {
    EchoService& echo = Lab().Echo();
    IPv4 destination{0, 0, 0, 0};
    if (auto resolved = echo.Resolve(name)) destination = *resolved;
    auto handle = echo.CreateEchoHandle();
    EXPECT_NE(handle, nullptr) << name;
    if (!handle) return {};
    return handle->SendEcho(destination, std::string(32, 'A'), 255, 2000);
  }
};

TEST_F(LabEchoTest, AnsweringSilentRedirectedAndFailingComputers) {
  Computer("PC01", R"({"address": "192.168.1.20"})");
  Computer("Silent", R"({"address": "192.168.1.21", "echo": false})");
  Computer("Proxied", R"({"address": "192.168.1.22", "echo": {"from": "192.168.1.99"}})");
  Computer("Unreach", R"({"address": "192.168.1.23", "echo": {"status": 11003}})");
  Computer("NoHandle", R"({"echo": {"handle": false}})");
  Computer("Plain", R"({"echo": true})");

  EXPECT_EQ(Lab().Echo().Resolve("PC01"), (IPv4{192, 168, 1, 20}));
  EchoReply r = Probe("PC01");
  EXPECT_EQ(r.replies, 1u);
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.source, (IPv4{192, 168, 1, 20}));

  r = Probe("Silent");
  EXPECT_EQ(r.replies, 0u);
  EXPECT_EQ(r.status, kTimedOut);

  r = Probe("proxied");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.source, (IPv4{192, 168, 1, 99}));

  r = Probe("UNREACH");
  EXPECT_EQ(r.replies, 1u);
  EXPECT_EQ(r.status, 11003u);

  EXPECT_EQ(Probe("Plain").status, 0u);

  // The handle failure belongs to the computer just resolved, not to the lab.
  ASSERT_TRUE(Lab().Echo().Resolve("NoHandle").has_value());
  EXPECT_EQ(Lab().Echo().CreateEchoHandle(), nullptr);
  ASSERT_TRUE(Lab().Echo().Resolve("PC01").has_value());
  EXPECT_NE(Lab().Echo().CreateEchoHandle(), nullptr);
  EXPECT_EQ(Diagnostics(), "");
}

TEST_F(LabEchoTest, UnknownNamesAndAddressesDoNotAnswer) {
  Computer("PC01", R"({"address": "192.168.1.20"})");
  EXPECT_EQ(Lab().Echo().Resolve("PC99"), std::nullopt);
  EXPECT_EQ(Lab().Echo().Resolve(""), std::nullopt);
  // The probe then sends to 0.0.0.0, which nobody answers.
  EchoReply r = Probe("PC99");
  EXPECT_EQ(r.replies, 0u);
  EXPECT_EQ(r.status, kTimedOut);
  EXPECT_EQ(r.source, (IPv4{0, 0, 0, 0}));
  // A dotted address resolves to itself; it answers only when a computer has it.
  EXPECT_EQ(Lab().Echo().Resolve("192.168.7.7"), (IPv4{192, 168, 7, 7}));
  EXPECT_EQ(Probe("192.168.7.7").status, kTimedOut);
  EXPECT_EQ(Probe("192.168.1.20").status, 0u);
}

TEST_F(LabEchoTest, DerivedAddressesAreStableAndDistinct) {
  Computer("WS-0001", "{}");
  Computer("WS-0002", "{}");
  Computer("Twin-A", R"({"address": "10.5.5.5"})");
  Computer("Twin-B", R"({"address": "10.5.5.5", "echo": false})");
  const auto first = Lab().Echo().Resolve("WS-0001");
  const auto second = Lab().Echo().Resolve("ws-0002");
  ASSERT_TRUE(first && second);
  EXPECT_EQ((*first)[0], 10);
  EXPECT_NE(*first, *second);
  EXPECT_NE((*first)[3], 0);
  EXPECT_NE((*first)[3], 255);
  // Another opening of the same lab (another scanner process) derives the same address,
  // whatever case the name is asked in.
  std::ostringstream ignored;
  auto again = OpenLab(dir_.str(), ignored);
  EXPECT_EQ(again->Echo().Resolve("ws-0001"), first);
  EXPECT_EQ(Probe("WS-0001").source, *first);

  // Two computers on one address: the echo reaches the one whose name was resolved.
  EXPECT_EQ(Probe("Twin-B").status, kTimedOut);
  EXPECT_EQ(Probe("Twin-A").status, 0u);
  EXPECT_EQ(Probe("Twin-B").status, kTimedOut);
}

TEST_F(LabEchoTest, NamesResolveByFileNameAliasAndWmiName) {
  Computer("PC01", R"({"address": "10.1.1.1", "aliases": ["PC01.corp.example", "Reception"]})");
  Computer("asset-17", R"({"address": "10.1.1.2",
      "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "FINANCE7"}, {"Name": "SECOND"}]}}})");
  Computer("pc-a", R"({"address": "10.1.1.3", "aliases": ["shared"]})");
  Computer("pc-b", R"({"address": "10.1.1.4", "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "shared"}]}}})");

  EchoService& echo = Lab().Echo();
  EXPECT_EQ(echo.Resolve("pc01"), (IPv4{10, 1, 1, 1}));
  EXPECT_EQ(echo.Resolve("pc01.CORP.example"), (IPv4{10, 1, 1, 1}));
  EXPECT_EQ(echo.Resolve("RECEPTION"), (IPv4{10, 1, 1, 1}));
  EXPECT_EQ(echo.Resolve("Asset-17"), (IPv4{10, 1, 1, 2}));
  EXPECT_EQ(echo.Resolve("finance7"), (IPv4{10, 1, 1, 2}));
  EXPECT_EQ(echo.Resolve("SECOND"), std::nullopt);  // only the first instance names it
  EXPECT_EQ(echo.Resolve("corp.example"), std::nullopt);
  EXPECT_EQ(echo.Resolve("PC01.json"), std::nullopt);
  // An alias wins over another computer's WMI name.
  EXPECT_EQ(echo.Resolve("Shared"), (IPv4{10, 1, 1, 3}));

  // Every service finds the computer under each of its names.
  std::unique_ptr<WmiServices> services = Lab().Wmi().CreateLocator()->ConnectServer("FINANCE7");
  ASSERT_NE(services, nullptr);
  EXPECT_EQ(services->ExecQuery("Select * From Win32_ComputerSystem", "WQL", 16).size(), 2u);
}

TEST_F(LabEchoTest, BrokenFilesMakeOnlyThatComputerUnreachableWithOneLine) {
  Computer("PC01", R"({"address": "10.2.2.1", "registry": {"keys": {}}})");
  Computer("Renamed", R"({"registry": {}, "wmi": {"classes": {"Win32_ComputerSystem": [{"Name": "FINANCE-7"}]}}})");
  Computer("Broken", "{\n  \"echo\": true,\n  \"address\" \"10.2.2.2\"\n}");
  Computer("WrongShape", R"({"echo": 5})");
  Computer("BadValue", R"({"registry": {"keys": {"HKEY_LOCAL_MACHINE\\X": {"v": {"type": "REG_DWORD", "data": "x"}}}}})");
  Computer("NotObject", "[1, 2]");

  // A scan of a good computer whose file is named by the scan reads only that file,
  // also when WMI has renamed it and later calls use the new name.
  EXPECT_TRUE(Lab().Echo().Resolve("PC01").has_value());
  EXPECT_TRUE(Lab().Echo().Resolve("Renamed").has_value());
  std::unique_ptr<RegistryKey> renamed;
  EXPECT_EQ(Lab().Registry().Connect("finance-7", kHkeyLocalMachine, renamed), 0);
  EXPECT_EQ(Diagnostics(), "");

  EXPECT_EQ(Lab().Echo().Resolve("broken"), std::nullopt);
  const std::string brokenPath = (dir_ / "Broken.json").string();
  EXPECT_EQ(Diagnostics(), "lab: " + brokenPath +
                               ": line 3, column 22: syntax error while parsing object separator - unexpected string literal; expected ':'; "
                               "Broken does not answer\n");

  // Unreachable through every service, and still only one line for it.
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(Lab().Registry().Connect("Broken", kHkeyLocalMachine, key), kErrorBadNetPath);
  EXPECT_THROW(Lab().Wmi().CreateLocator()->ConnectServer("Broken"), RuntimeError);
  EXPECT_EQ(Lab().Services().Open("Broken", kScManagerEnumerateService), nullptr);
  std::vector<WkstaUserInfo1> buffer;
  uint32_t read = 0, total = 0, resume = 0;
  EXPECT_EQ(Lab().Workstation().NetWkstaUserEnum("Broken", 1, 256, buffer, read, total, resume), 53u);
  uint64_t a = 0, t = 0, f = 0;
  EXPECT_FALSE(Lab().Shares().GetDiskFreeSpaceEx("\\\\Broken\\C$", a, t, f));
  EXPECT_EQ(CountLines(Diagnostics()), 1);

  EXPECT_EQ(Lab().Echo().Resolve("WrongShape"), std::nullopt);
  EXPECT_NE(Diagnostics().find("WrongShape.json: echo: must be an object; WrongShape does not answer\n"),
            std::string::npos)
      << Diagnostics();
  EXPECT_EQ(Lab().Echo().Resolve("BadValue"), std::nullopt);
  EXPECT_NE(Diagnostics().find("BadValue.json: registry.keys.HKEY_LOCAL_MACHINE\\X.v.data: must be a whole number"),
            std::string::npos)
      << Diagnostics();
  EXPECT_EQ(Lab().Echo().Resolve("NotObject"), std::nullopt);
  EXPECT_NE(Diagnostics().find("NotObject.json: the file: must hold one JSON object"), std::string::npos);

  // An unknown name reads every file; each broken one has been reported once already.
  EXPECT_EQ(Lab().Echo().Resolve("nobody"), std::nullopt);
  EXPECT_EQ(CountLines(Diagnostics()), 4);
  EXPECT_TRUE(Lab().Echo().Resolve("pc01").has_value());
}

TEST_F(LabEchoTest, MissingDirectoryAnswersNothingAfterOneLine) {
  std::ostringstream diagnostics;
  const std::string missing = (dir_ / "no-such-lab").string();
  auto lab = OpenLab(missing, diagnostics);
  ASSERT_NE(lab, nullptr);
  EXPECT_EQ(diagnostics.str(), "lab: " + missing + " is not a directory; no computer answers\n");
  EXPECT_EQ(lab->Echo().Resolve("PC01"), std::nullopt);
  auto handle = lab->Echo().CreateEchoHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle->SendEcho(IPv4{10, 0, 0, 1}, "A", 255, 2000).status, kTimedOut);
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(lab->Registry().Connect("PC01", kHkeyLocalMachine, key), kErrorBadNetPath);
  EXPECT_EQ(CountLines(diagnostics.str()), 1);
}

}  // namespace
}  // namespace korvane::test

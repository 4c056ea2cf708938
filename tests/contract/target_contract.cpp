// The target contract (target_contract.h), the same for every implementation.
#include "tests/contract/target_contract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/runtime_error.h"

namespace korvane::contract {
namespace {

constexpr const char* kNoSuchComputer = "korvane-no-such-host";

TEST(TargetContract, EchoAndNameResolution) {
  EchoService& echo = TheWorld().Network().Echo();
  echo.StartSockets();
  const std::optional<IPv4> address = echo.Resolve(TheWorld().Computer());
  ASSERT_TRUE(address.has_value()) << "the computer's name resolves";
  EXPECT_FALSE(echo.Resolve("korvane-no-such-host.invalid").has_value());
  std::unique_ptr<EchoHandle> handle = echo.CreateEchoHandle();
  ASSERT_NE(handle, nullptr);
  const EchoReply reply = handle->SendEcho(*address, std::string(32, 'A'), 255, 2000);
  EXPECT_EQ(reply.replies, 1u);
  EXPECT_EQ(reply.status, 0u);
  EXPECT_EQ(reply.source, *address) << "the reply names the answering address";
  echo.StopSockets();
}

TEST(TargetContract, WmiConnectsAndQueriesByName) {
  WmiApi& wmi = TheWorld().Network().Wmi();
  std::unique_ptr<WmiLocator> locator = wmi.CreateLocator();
  const std::unique_ptr<WmiServices> services = locator->ConnectServer(TheWorld().Computer());
  ASSERT_NE(services, nullptr);
  const auto systems = services->ExecQuery("Select * From Win32_ComputerSystem", "WQL", 16);
  ASSERT_EQ(systems.size(), 1u);
  const std::optional<Variant> name = systems[0]->Property("name");  // any letter case
  ASSERT_TRUE(name.has_value());
  ASSERT_EQ(name->kind(), Variant::Kind::Text);
  EXPECT_STRCASEEQ(name->text().c_str(), TheWorld().Computer().c_str());
  EXPECT_FALSE(systems[0]->Property("KorvaneNoSuchProperty").has_value()) << "absent reads as absent";

  try {
    locator->ConnectServer(kNoSuchComputer);
    ADD_FAILURE() << "a connection to a computer that does not exist succeeded";
  } catch (const RuntimeError& e) {
    EXPECT_NE(e.number(), 0);
    EXPECT_FALSE(e.description().empty()) << "the refusal carries a description for the log";
  }
}

TEST(TargetContract, WmiNotificationQueriesRegisterAndCancel) {
  WmiApi& wmi = TheWorld().Network().Wmi();
  std::unique_ptr<WmiSink> sink = wmi.CreateSink();
  std::unique_ptr<WmiServices> services = wmi.CreateLocator()->ConnectServer(TheWorld().Computer());
  try {
    services->ExecNotificationQueryAsync(
        *sink, "Select * from __InstanceModificationEvent Within 2.0 Where TargetInstance Isa 'Win32_Service'",
        "WQL", 0);
  } catch (const RuntimeError& e) {
    const std::string why = TheWorld().Lacks(Capability::NotificationQueries);
    if (!why.empty()) GTEST_SKIP() << why << " (" << e.description() << ")";
    FAIL() << "the registration was refused: " << e.description();
  }
  EXPECT_NO_THROW(sink->Cancel());
}

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TheWorld().Network().Registry().Connect(TheWorld().Computer(), kHkeyLocalMachine, root_),
              kErrorSuccess);
    ASSERT_EQ(root_->OpenKey(kContractKey, 0, 0x3F, key_), kErrorSuccess);
  }

  // The size probe, then a read into a buffer of the size it reported.
  std::string Read(const std::string& value, uint32_t& type) {
    uint32_t size = 0;
    type = kRegNone;
    EXPECT_EQ(key_->QueryValue(value, type, nullptr, size), kErrorSuccess) << value;
    std::string data(size, '\0');
    EXPECT_EQ(key_->QueryValue(value, type, &data, size), kErrorSuccess) << value;
    EXPECT_EQ(data.size(), size) << "the probe's size is the read's size: " << value;
    return data.substr(0, size);
  }

  std::unique_ptr<RegistryKey> root_;
  std::unique_ptr<RegistryKey> key_;
};

TEST_F(RegistryContract, ValuesReadWholeWithTheirTypesAndTerminators) {
  uint32_t type = 0;
  EXPECT_EQ(Read("Text", type), std::string("Gr\xc3\xbcn 5.1") + '\0');
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(Read("Expand", type), std::string("%SystemRoot%\\k") + '\0');
  EXPECT_EQ(type, kRegExpandSz);
  EXPECT_EQ(Read("Multi", type), std::string("a\0b\0\0", 5));
  EXPECT_EQ(type, kRegMultiSz);
  EXPECT_EQ(Read("Number", type), std::string("\x07\0\0\0", 4));
  EXPECT_EQ(type, kRegDword);

  // Names of keys and values are matched without regard to letter case.
  std::unique_ptr<RegistryKey> other;
  ASSERT_EQ(root_->OpenKey("SOFTWARE\\korvane CONTRACT", 0, 0x3F, other), kErrorSuccess);
  uint32_t size = 0;
  EXPECT_EQ(other->QueryValue("tExT", type, nullptr, size), kErrorSuccess);
  EXPECT_EQ(size, 10u);

  // A value that does not exist: status 2, the type left as it was.
  uint32_t missingType = kRegNone;
  uint32_t missingSize = 0;
  EXPECT_EQ(key_->QueryValue("KorvaneNoSuchValue", missingType, nullptr, missingSize), kErrorFileNotFound);
  EXPECT_EQ(missingType, kRegNone);
}

TEST_F(RegistryContract, SubkeysByIndexUntilNoMoreItems) {
  std::vector<std::string> names;
  int32_t status = kErrorSuccess;
  for (uint32_t index = 0; index < 100; ++index) {
    std::string name;
    status = key_->EnumKey(index, name, 256);
    if (status != kErrorSuccess) break;
    names.push_back(name);
  }
  EXPECT_EQ(status, kErrorNoMoreItems);
  std::sort(names.begin(), names.end());  // the order is the registry's own
  EXPECT_EQ(names, (std::vector<std::string>{"Drei", "Eins", "Zwei"}));

  std::unique_ptr<RegistryKey> sub;
  ASSERT_EQ(key_->OpenKey("Eins", 0, 8, sub), kErrorSuccess);
  std::string none;
  EXPECT_EQ(sub->EnumKey(0, none, 256), kErrorNoMoreItems) << "a key without subkeys lists nothing";
  EXPECT_EQ(key_->OpenKey("Vier", 0, 0x3F, sub), kErrorFileNotFound);
}

// A 64-bit Windows keeps a second view of HKEY_LOCAL_MACHINE\Software for its 32-bit
// programs, stored under Software\Wow6432Node of the 64-bit view; a 32-bit Windows has
// neither. KEY_WOW64_32KEY and KEY_WOW64_64KEY choose the view.
TEST(TargetContract, RegistryViewsOfA64BitComputer) {
  if (const auto why = TheWorld().Lacks(Capability::ThirtyTwoBitView); !why.empty()) GTEST_SKIP() << why;
  constexpr uint32_t kView64 = 0x0100;
  constexpr uint32_t kView32 = 0x0200;
  constexpr uint32_t kKeyRead = 0x20019;
  std::unique_ptr<RegistryKey> root;
  ASSERT_EQ(TheWorld().Network().Registry().Connect(TheWorld().Computer(), kHkeyLocalMachine, root), kErrorSuccess);
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(root->OpenKey("Software\\Wow6432Node", 0, 8 | kView64, key), kErrorSuccess)
      << "the 32-bit view's store, seen from the 64-bit view";
  EXPECT_EQ(root->OpenKey(kContract32Key, 0, kKeyRead | kView64, key), kErrorFileNotFound)
      << "a 32-bit program is not in the 64-bit view";
  ASSERT_EQ(root->OpenKey(kContract32Key, 0, kKeyRead | kView32, key), kErrorSuccess);
  uint32_t type = kRegNone;
  uint32_t size = 0;
  ASSERT_EQ(key->QueryValue("DisplayName", type, nullptr, size), kErrorSuccess);
  std::string data(size, '\0');
  ASSERT_EQ(key->QueryValue("DisplayName", type, &data, size), kErrorSuccess);
  EXPECT_EQ(data, std::string("Korvane Contract 32") + '\0');
  EXPECT_EQ(type, kRegSz);

  // The uninstall key lists it among the 32-bit view's subkeys.
  std::unique_ptr<RegistryKey> uninstall;
  ASSERT_EQ(root->OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, 8 | kView32, uninstall),
            kErrorSuccess);
  std::vector<std::string> names;
  for (uint32_t index = 0; index < 10000; ++index) {
    std::string name;
    if (uninstall->EnumKey(index, name, 256) != kErrorSuccess) break;
    names.push_back(name);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "KorvaneContract32"), names.end());
}

TEST(TargetContract, ServiceManagerSizeProbeThenList) {
  ServiceControlManager& scm = TheWorld().Network().Services();
  std::unique_ptr<ServiceManagerHandle> handle = scm.Open(TheWorld().Computer(), kScManagerEnumerateService);
  ASSERT_NE(handle, nullptr);
  uint32_t needed = 0;
  uint32_t returned = 0;
  uint32_t resume = 0;
  EXPECT_FALSE(handle->EnumServicesStatus(kServiceWin32, kServiceStateAll, 0, nullptr, needed, returned, resume));
  EXPECT_EQ(handle->LastError(), static_cast<uint32_t>(kErrorMoreData));
  const uint32_t probed = needed;
  std::vector<ServiceStatusEntry> entries;
  resume = 0;
  const uint32_t bytes = (probed / kEnumServiceStatusRecordBytes + 1) * kEnumServiceStatusRecordBytes;
  ASSERT_TRUE(handle->EnumServicesStatus(kServiceWin32, kServiceStateAll, bytes, &entries, needed, returned, resume));
  ASSERT_GT(returned, 0u);
  EXPECT_EQ(entries.size(), returned);
  uint32_t names = 0;
  for (const auto& entry : entries) {
    names += static_cast<uint32_t>(entry.serviceName.size() + 1 + entry.displayName.size() + 1);
    EXPECT_FALSE(entry.serviceName.empty());
    EXPECT_NE(entry.serviceType & kServiceWin32, 0u) << entry.serviceName << ": no drivers when asked for services";
  }
  EXPECT_GE(probed, returned * kEnumServiceStatusRecordBytes + names) << "the probe counts the names too";
  handle->Close();
}

TEST(TargetContract, ServiceManagerOfAComputerThatDoesNotExist) {
  const std::string why = TheWorld().Lacks(Capability::ServiceManagerRefusesUnknownComputer);
  if (!why.empty()) GTEST_SKIP() << why;
  EXPECT_EQ(TheWorld().Network().Services().Open(kNoSuchComputer, kScManagerEnumerateService), nullptr);
}

TEST(TargetContract, WorkstationListsLogons) {
  if (const auto why = TheWorld().Lacks(Capability::WorkstationLogons); !why.empty()) GTEST_SKIP() << why;
  WorkstationService& workstation = TheWorld().Network().Workstation();
  std::vector<WkstaUserInfo1> users;
  uint32_t read = 0;
  uint32_t total = 0;
  uint32_t resume = 0;
  const uint32_t status = workstation.NetWkstaUserEnum(TheWorld().Computer(), 1, 256, users, read, total, resume);
  ASSERT_TRUE(status == 0 || status == static_cast<uint32_t>(kErrorMoreData)) << status;
  ASSERT_GT(read, 0u);
  EXPECT_GE(total, read);
  EXPECT_FALSE(users.at(0).userName.empty());
  EXPECT_NE(workstation.NetWkstaUserEnum(kNoSuchComputer, 1, 256, users, read, total, resume), 0u);
}

TEST(TargetContract, AdministrativeShareReportsItsSize) {
  if (const auto why = TheWorld().Lacks(Capability::AdministrativeShares); !why.empty()) GTEST_SKIP() << why;
  uint64_t available = 0;
  uint64_t total = 0;
  uint64_t free = 0;
  ASSERT_TRUE(TheWorld().Network().Shares().GetDiskFreeSpaceEx("\\\\" + TheWorld().Computer() + "\\C$", available,
                                                               total, free));
  EXPECT_GT(total, 0u);
  EXPECT_LE(free, total);
}

TEST(TargetContract, RegistryAndShareOfAComputerThatDoesNotExist) {
  std::unique_ptr<RegistryKey> root;
  EXPECT_NE(TheWorld().Network().Registry().Connect(kNoSuchComputer, kHkeyLocalMachine, root), kErrorSuccess);
  EXPECT_EQ(root, nullptr);
  uint64_t available = 11;
  uint64_t total = 12;
  uint64_t free = 13;
  EXPECT_FALSE(TheWorld().Network().Shares().GetDiskFreeSpaceEx(std::string("\\\\") + kNoSuchComputer + "\\C$",
                                                                available, total, free));
  EXPECT_EQ(total, 12u) << "an unreachable share leaves the counts untouched";
  EXPECT_EQ(free, 13u);
}

}  // namespace
}  // namespace korvane::contract

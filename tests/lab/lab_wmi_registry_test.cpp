// The lab's WMI and remote registry, answering as the Windows calls do.
#include <gtest/gtest.h>

#include "platform/runtime_error.h"
#include "tests/lab/lab_fixture.h"

namespace korvane::test {
namespace {

using LabWmiTest = LabTest;
using LabRegistryTest = LabTest;

int32_t ConnectError(TargetNetwork& lab, const std::string& computer, std::string& text) {
  try {
    lab.Wmi().CreateLocator()->ConnectServer(computer);
  } catch (const RuntimeError& e) {
    text = e.description();
    return e.number();
  }
  text.clear();
  return 0;
}

TEST_F(LabWmiTest, ConnectionOutcomes) {
  Computer("NoWmi", "{}");
  Computer("Open", R"({"wmi": {}})");
  Computer("OpenExplicit", R"({"wmi": {"connect": true}})");
  Computer("Denied", R"({"wmi": {"connect": "Access is denied."}})");
  Computer("Odd", R"({"wmi": {"connect": "Something else went wrong"}})");
  Computer("Off", R"({"wmi": {"connect": false}})");
  Computer("Coded", R"({"wmi": {"connect": {"number": -2147023174, "description": "Custom"}}})");

  std::string text;
  EXPECT_EQ(ConnectError(Lab(), "NoWmi", text), static_cast<int32_t>(0x800706BA));
  EXPECT_EQ(text, "The RPC server is unavailable.");
  EXPECT_EQ(ConnectError(Lab(), "Nobody", text), static_cast<int32_t>(0x800706BA));
  EXPECT_EQ(text, "The RPC server is unavailable.");
  EXPECT_EQ(ConnectError(Lab(), "Open", text), 0);
  EXPECT_EQ(ConnectError(Lab(), "openexplicit", text), 0);
  EXPECT_EQ(ConnectError(Lab(), "Denied", text), static_cast<int32_t>(0x80070005));
  EXPECT_EQ(text, "Access is denied.");
  EXPECT_NE(ConnectError(Lab(), "Odd", text), 0);
  EXPECT_EQ(text, "Something else went wrong");
  EXPECT_EQ(ConnectError(Lab(), "Off", text), static_cast<int32_t>(0x800706BA));
  EXPECT_EQ(ConnectError(Lab(), "Coded", text), static_cast<int32_t>(0x800706BA));
  EXPECT_EQ(text, "Custom");
  EXPECT_EQ(Diagnostics(), "");
}

TEST_F(LabWmiTest, QueriesReturnInstancesInOrderWithTypedProperties) {
  Computer("PC01", R"({"wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": "PC01", "UserName": null, "TotalPhysicalMemory": "536281088",
                              "Flag": true, "Count": -5, "Big": 4294967296, "Ratio": 1.5,
                              "Empty": ""}],
    "Win32_Processor": [{"Name": "CPU A", "CurrentClockSpeed": 2793}, {"Name": "CPU B"}, {"Name": "CPU C"}],
    "win32_bios": [{"SerialNumber": "7XK2Q1J"}]
  }}})");
  auto services = Lab().Wmi().CreateLocator()->ConnectServer("pc01");
  ASSERT_NE(services, nullptr);
  auto sink = Lab().Wmi().CreateSink();
  EXPECT_NO_THROW(services->ExecNotificationQueryAsync(
      *sink, "Select * from __InstanceModificationEvent Within 2.0 Where TargetInstance Isa 'Win32_Service'",
      "WQL", 0));
  EXPECT_NO_THROW(sink->Cancel());

  auto systems = services->ExecQuery("Select * From Win32_ComputerSystem", "WQL", 16);
  ASSERT_EQ(systems.size(), 1u);
  const WmiObject& cs = *systems[0];
  EXPECT_EQ(cs.Property("name"), Variant("PC01"));
  EXPECT_EQ(cs.Property("USERNAME"), Variant::Null());  // null is there, and null
  EXPECT_EQ(cs.Property("Domain"), std::nullopt);       // absent is absent
  EXPECT_EQ(cs.Property("TotalPhysicalMemory"), Variant("536281088"));  // strings stay strings
  EXPECT_EQ(cs.Property("Flag"), Variant::Boolean(true));
  EXPECT_EQ(cs.Property("Count"), Variant(int32_t{-5}));
  EXPECT_EQ(cs.Property("Big"), Variant(4294967296.0));
  EXPECT_EQ(cs.Property("Ratio"), Variant(1.5));
  EXPECT_EQ(cs.Property("Empty"), Variant(""));

  auto cpus = services->ExecQuery("select * from WIN32_PROCESSOR", "WQL", 16);
  ASSERT_EQ(cpus.size(), 3u);
  EXPECT_EQ(cpus[0]->Property("Name"), Variant("CPU A"));
  EXPECT_EQ(cpus[0]->Property("currentclockspeed"), Variant(int32_t{2793}));
  EXPECT_EQ(cpus[2]->Property("Name"), Variant("CPU C"));
  EXPECT_EQ(cpus[1]->Property("CurrentClockSpeed"), std::nullopt);

  // The class names of the file match without regard to case as well.
  EXPECT_EQ(services->ExecQuery("Select * From Win32_BIOS", "WQL", 16).size(), 1u);
  EXPECT_TRUE(services->ExecQuery("Select * From Win32_LogicalDisk", "WQL", 16).empty());
  EXPECT_THROW(services->ExecQuery("Select *", "WQL", 16), RuntimeError);
}

TEST_F(LabWmiTest, QueryErrorsCarryNumberAndDescription) {
  Computer("PC01", R"({"wmi": {
    "classes": {"Win32_BIOS": [{"SerialNumber": "X"}]},
    "queryErrors": {"Win32_BIOS": {"number": -2147217407, "description": "Generic failure"},
                    "Win32_OperatingSystem": {"number": 91},
                    "Win32_LogicalDisk": {"number": 424, "description": "Object required"}}}})");
  auto services = Lab().Wmi().CreateLocator()->ConnectServer("PC01");
  try {
    services->ExecQuery("Select * From Win32_BIOS", "WQL", 16);
    ADD_FAILURE() << "the BIOS query should fail";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), -2147217407);
    EXPECT_EQ(e.description(), "Generic failure");
  }
  try {
    services->ExecQuery("Select * From win32_operatingsystem", "WQL", 16);
    ADD_FAILURE() << "the operating-system query should fail";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 91);
    EXPECT_EQ(e.description(), "Object variable or With block variable not set");
  }
  try {
    services->ExecQuery("Select * From Win32_LogicalDisk", "WQL", 16);
    ADD_FAILURE() << "the disk query should fail";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 424);
    EXPECT_EQ(e.description(), "Object required");
  }
  EXPECT_TRUE(services->ExecQuery("Select * From Win32_Processor", "WQL", 16).empty());
}

// Reads a value the way the registry reader does: probe the size, then read.
std::string ReadBytes(RegistryKey& key, const std::string& name, uint32_t& type, int32_t& status) {
  uint32_t size = 0;
  type = 0;
  status = key.QueryValue(name, type, nullptr, size);
  if (status != 0) return {};
  std::string data(size, '\0');
  status = key.QueryValue(name, type, &data, size);
  return data;
}

TEST_F(LabRegistryTest, ConnectingAndOpeningKeys) {
  Computer("NoRegistry", "{}");
  Computer("Closed", R"({"registry": {"access": "none", "keys": {"HKEY_LOCAL_MACHINE\\Software": {}}}})");
  Computer("PC01", R"({"registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"},
    "HKEY_USERS\\.DEFAULT\\Control Panel\\International": {"iCountry": "44"}}}})");
  Computer("ReadOnly", R"({"registry": {"access": "read", "keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"}}}})");

  std::unique_ptr<RegistryKey> root;
  EXPECT_EQ(Lab().Registry().Connect("NoRegistry", kHkeyLocalMachine, root), kErrorBadNetPath);
  EXPECT_EQ(Lab().Registry().Connect("Closed", kHkeyLocalMachine, root), kErrorBadNetPath);
  EXPECT_EQ(Lab().Registry().Connect("Nobody", kHkeyLocalMachine, root), kErrorBadNetPath);
  EXPECT_EQ(Lab().Registry().Connect("PC01", 0x80000001 /* HKEY_CURRENT_USER */, root), 6);

  ASSERT_EQ(Lab().Registry().Connect("pc01", kHkeyLocalMachine, root), 0);
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(root->OpenKey("software\\MICROSOFT\\windows nt\\currentversion", 0, 0x3F, key), 0);
  EXPECT_EQ(root->OpenKey("Software\\Microsoft", 0, 0x3F, key), 0);  // implied by a key below
  EXPECT_EQ(root->OpenKey("Software\\Microsoft\\Windows", 0, 0x3F, key), kErrorFileNotFound);
  EXPECT_EQ(root->OpenKey("System", 0, 8, key), kErrorFileNotFound);

  std::unique_ptr<RegistryKey> users;
  ASSERT_EQ(Lab().Registry().Connect("PC01", kHkeyUsers, users), 0);
  ASSERT_EQ(users->OpenKey(".DEFAULT\\Control Panel\\International", 0, 0x3F, key), 0);
  uint32_t type = 0;
  int32_t status = 0;
  EXPECT_EQ(ReadBytes(*key, "iCountry", type, status), std::string("44\0", 3));

  // A readable-only registry refuses masks that ask to write, and grants reading.
  ASSERT_EQ(Lab().Registry().Connect("ReadOnly", kHkeyLocalMachine, root), 0);
  const std::string path = "Software\\Microsoft\\Windows NT\\CurrentVersion";
  EXPECT_EQ(root->OpenKey(path, 0, 0x3F, key), kErrorAccessDenied);
  EXPECT_EQ(root->OpenKey(path, 0, 0x2 /* KEY_SET_VALUE */, key), kErrorAccessDenied);
  EXPECT_EQ(root->OpenKey(path, 0, 8, key), 0);
  EXPECT_EQ(root->OpenKey(path, 0, 0x20019, key), 0);
  EXPECT_EQ(ReadBytes(*key, "currentversion", type, status), std::string("5.1\0", 4));
  EXPECT_EQ(root->OpenKey("Software\\Nothing", 0, 0x3F, key), kErrorFileNotFound);
}

TEST_F(LabRegistryTest, ValuesHaveTheBytesWindowsStores) {
  Computer("PC01", R"({"registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Test": {
    "Sz": "5.1", "Expand": {"type": "REG_EXPAND_SZ", "data": "%SystemRoot%"},
    "Multi": {"type": "REG_MULTI_SZ", "data": ["a", "b"]},
    "NoStrings": {"type": "REG_MULTI_SZ", "data": []},
    "Dword": 1076400000, "Negative": {"type": "REG_DWORD", "data": -2},
    "Qword": {"type": "REG_QWORD", "data": 4294967297},
    "BigQword": {"type": "REG_QWORD", "data": "18446744073709551615"},
    "Binary": {"type": "REG_BINARY", "data": "00ff10 AB"},
    "WithNul": "a\u0000b", "": "default value", "Section": "\u00a7"}}}})");

  std::unique_ptr<RegistryKey> root, key;
  ASSERT_EQ(Lab().Registry().Connect("PC01", kHkeyLocalMachine, root), 0);
  ASSERT_EQ(root->OpenKey("Software\\Test", 0, 0x3F, key), 0);
  uint32_t type = 0;
  int32_t status = 0;
  EXPECT_EQ(ReadBytes(*key, "SZ", type, status), std::string("5.1\0", 4));
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(ReadBytes(*key, "Expand", type, status), std::string("%SystemRoot%\0", 13));
  EXPECT_EQ(type, kRegExpandSz);
  EXPECT_EQ(ReadBytes(*key, "Multi", type, status), std::string("a\0b\0\0", 5));
  EXPECT_EQ(type, kRegMultiSz);
  EXPECT_EQ(ReadBytes(*key, "NoStrings", type, status), std::string("\0", 1));
  EXPECT_EQ(ReadBytes(*key, "Dword", type, status), std::string("\x80\x8F\x28\x40", 4));
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(ReadBytes(*key, "Negative", type, status), std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(ReadBytes(*key, "Qword", type, status), std::string("\x01\0\0\0\x01\0\0\0", 8));
  EXPECT_EQ(type, kRegQword);
  EXPECT_EQ(ReadBytes(*key, "BigQword", type, status), std::string(8, '\xFF'));
  EXPECT_EQ(ReadBytes(*key, "Binary", type, status), std::string("\x00\xFF\x10\xAB", 4));
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(ReadBytes(*key, "WithNul", type, status), std::string("a\0b\0", 4));
  EXPECT_EQ(ReadBytes(*key, "", type, status), std::string("default value\0", 14));
  EXPECT_EQ(ReadBytes(*key, "Section", type, status), std::string("\xC2\xA7\0", 3));

  // Size probe, too small a buffer, missing value.
  uint32_t size = 0;
  type = 0;
  EXPECT_EQ(key->QueryValue("Sz", type, nullptr, size), 0);
  EXPECT_EQ(size, 4u);
  std::string small(2, 'x');
  size = 2;
  EXPECT_EQ(key->QueryValue("Sz", type, &small, size), kErrorMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(small, "xx");
  std::string roomy(10, '\0');
  size = 10;
  EXPECT_EQ(key->QueryValue("Sz", type, &roomy, size), 0);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(roomy.substr(0, 4), std::string("5.1\0", 4));
  type = 0;
  size = 0;
  EXPECT_EQ(key->QueryValue("Missing", type, nullptr, size), kErrorFileNotFound);
  EXPECT_EQ(type, kRegNone);
}

TEST_F(LabRegistryTest, SubkeysEnumerateInOrderOfFirstAppearance) {
  Computer("PC01", R"({"registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\Zeta": {"DisplayName": "Z"},
    "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\{90110409-6000-11D3-8CFE-0150048383C9}": {},
    "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\Alpha\\Deeper": {},
    "hkey_local_machine\\SOFTWARE\\uninstall\\zeta": {"DisplayVersion": "1"},
    "HKEY_LOCAL_MACHINE\\Software\\Empty": {}}}})");
  std::unique_ptr<RegistryKey> root, key;
  ASSERT_EQ(Lab().Registry().Connect("PC01", kHkeyLocalMachine, root), 0);
  ASSERT_EQ(root->OpenKey("Software\\Uninstall", 0, 8, key), 0);
  std::vector<std::string> names;
  std::string name;
  uint32_t index = 0;
  int32_t status = 0;
  while ((status = key->EnumKey(index, name, 256)) == 0) {
    names.push_back(name);
    ++index;
  }
  EXPECT_EQ(status, kErrorNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "{90110409-6000-11D3-8CFE-0150048383C9}", "Alpha"}));
  // A name that does not fit the caller's buffer (with its NUL).
  EXPECT_EQ(key->EnumKey(1, name, 38), kErrorMoreData);
  EXPECT_EQ(key->EnumKey(1, name, 39), 0);

  // The same key written twice in other letter case is one key with both values.
  std::unique_ptr<RegistryKey> zeta;
  ASSERT_EQ(key->OpenKey("ZETA", 0, 0x3F, zeta), 0);
  uint32_t type = 0;
  EXPECT_EQ(ReadBytes(*zeta, "DisplayName", type, status), std::string("Z\0", 2));
  EXPECT_EQ(ReadBytes(*zeta, "DisplayVersion", type, status), std::string("1\0", 2));

  std::unique_ptr<RegistryKey> empty;
  ASSERT_EQ(root->OpenKey("Software\\Empty", 0, 8, empty), 0);
  EXPECT_EQ(empty->EnumKey(0, name, 256), kErrorNoMoreItems);
  // A hive the file lists nothing under is there, and empty.
  std::unique_ptr<RegistryKey> users;
  ASSERT_EQ(Lab().Registry().Connect("PC01", kHkeyUsers, users), 0);
  EXPECT_EQ(users->EnumKey(0, name, 256), kErrorNoMoreItems);
  EXPECT_EQ(users->OpenKey(".DEFAULT", 0, 8, empty), kErrorFileNotFound);
}

}  // namespace
}  // namespace korvane::test

// The collectors end to end: the real scanner against lab computers and a fresh SQLite
// inventory, checked through the snapshot file, the progress lines and the error log; and
// their pure text and number rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "collect/logged_on_user.h"
#include "collect/nt_fallback.h"
#include "collect/remote_registry.h"
#include "collect/service_list.h"
#include "collect/wmi_collector.h"
#include "platform/target.h"
#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {
namespace {

using namespace std::string_literals;

// Registry of a readable Windows XP computer with the uninstall entries given.
std::string XpRegistry(const std::string& uninstallKeys = "", const std::string& access = "full") {
  return R"("registry": {"access": ")" + access + R"(", "keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {
      "CurrentVersion": "5.1", "CurrentBuildNumber": "2600", "CSDVersion": "Service Pack 2",
      "SystemRoot": "C:\\WINDOWS"},
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters": {"Domain": "corp.example"},
    "HKEY_USERS\\.DEFAULT\\Control Panel\\International": {"iCountry": "44"})" +
         uninstallKeys + "}}";
}

// An uninstall entry; in `view` kWow, of a 64-bit computer's 32-bit view, where 64-bit
// programs see it.
const std::string kWow = R"(Wow6432Node\\)";
std::string Uninstall(const std::string& subkey, const std::string& values, const std::string& view = "") {
  return R"(, "HKEY_LOCAL_MACHINE\\Software\\)" + view + R"(Microsoft\\Windows\\CurrentVersion\\Uninstall\\)" + subkey +
         R"(": {)" + values + "}";
}

const char* kServices = R"("services": {"list": [
    {"name": "Alerter", "display": "Alerter", "type": "share"},
    {"name": "Nameless", "display": ""},
    {"name": "Browser", "display": "Computer Browser"},
    {"name": "Cdrom", "display": "CD-ROM Driver", "type": "driver"}]})";

std::string FullWmi(const std::string& wmiExtra = "") {
  return R"("wmi": {"classes": {
    "Win32_ComputerSystem": [ {"Name": "PC01", "UserName": "CORP\\jsmith", "Manufacturer": "Dell Inc.",
       "Model": "OptiPlex GX270", "Domain": "corp.example", "TotalPhysicalMemory": "536281088"} ],
    "Win32_OperatingSystem": [ {"BootDevice": "\\Device\\HarddiskVolume1", "Caption": "Microsoft Windows XP Professional",
       "CountryCode": "44", "CSDVersion": "Service Pack 2", "Description": "", "FreePhysicalMemory": "215040",
       "FreeSpaceInPagingFiles": "1048576", "FreeVirtualMemory": "2000000", "Version": "5.1.2600",
       "WindowsDirectory": "C:\\WINDOWS"} ],
    "Win32_Processor": [ {"Name": "  Intel(R) Pentium(R) 4 CPU 2.80GHz", "CurrentClockSpeed": 2793},
       {"Name": "   CPU  2", "CurrentClockSpeed": 2794}, {"Name": "CPU 3", "CurrentClockSpeed": 2795},
       {"Name": "CPU 4", "CurrentClockSpeed": 2796.5}, {"Name": "CPU 5", "CurrentClockSpeed": 2797} ],
    "Win32_BIOS": [ {"Manufacturer": "Dell Computer Corporation", "SMBIOSBIOSVersion": "A05", "SerialNumber": "7XK2Q1J"} ],
    "Win32_LogicalDisk": [
       {"Caption": "C:", "Size": "40007729152", "FreeSpace": "12884901888", "VolumeName": "SYSTEM", "FileSystem": "NTFS", "VolumeSerialNumber": "A4B2C3D4"},
       {"Caption": "E:", "Size": "80000000000", "FreeSpace": "307200", "VolumeName": "DATA", "FileSystem": "FAT32", "VolumeSerialNumber": "1234ABCD"},
       {"Caption": "K:", "Size": "1073741824", "FreeSpace": "1073741824", "VolumeName": "NET", "FileSystem": "NTFS", "VolumeSerialNumber": "0"} ]
  })" + wmiExtra + "}";
}

using Json = nlohmann::ordered_json;

// A member's value as text: strings as they are, numbers as written.
std::string Value(const Json& object, const std::string& key) {
  if (!object.contains(key)) return "<missing " + key + ">";
  const Json& v = object.at(key);
  return v.is_string() ? v.get<std::string>() : v.dump();
}

void ExpectValues(const Json& object, std::initializer_list<std::pair<const char*, std::string>> values) {
  for (const auto& [key, value] : values) EXPECT_EQ(Value(object, key), value) << key;
}

class CollectE2E : public ::testing::Test {
 protected:
  struct Outcome {
    ScanResult run;
    std::vector<std::string> log;  // "first,second" without the time field
    Json snapshot;                 // null when no snapshot was written
  };

  void Computer(const std::string& name, const std::string& body) {
    WriteFile(lab_ / (name + ".json"), "{" + body + "}");
  }

  Outcome Scan(const std::string& name, const std::string& suffix = "") {
    const std::filesystem::path snapshot = temp_ / "snapshot.json";
    std::filesystem::remove(temp_ / "DrevantaAssetDB.log");
    std::filesystem::remove(snapshot);
    Outcome out{ScanFromLab(name, inventory_.DataSource(), lab_.str(), temp_.str(),
                            {.env = {{"KORVANE_SNAPSHOT", snapshot.string()}}}, suffix),
                LogTexts(temp_.path()), {}};
    if (std::filesystem::exists(snapshot)) out.snapshot = Json::parse(ReadFile(snapshot));
    EXPECT_EQ(out.run.exitCode, 0) << name << out.run.stderrText;  // however the scan ended
    return out;
  }

  static std::vector<std::string> Lines(const std::string& name, std::vector<std::string> items) {
    for (auto& item : items) item = name + "," + item;
    return items;
  }

  Inventory inventory_;
  TempDir lab_;
  TempDir temp_;
};

TEST_F(CollectE2E, FullWmiComputerFillsEverySnapshotFieldAndUserOnlyTheComputerSystem) {
  Computer("pc01", FullWmi() + "," + XpRegistry() + "," + kServices);
  const Outcome o = Scan("pc01");
  // The reported name takes over from the WMI connection on.
  EXPECT_EQ(o.run.progress,
            (std::vector<std::string>{"pc01,2", "pc01,4", "pc01,6", "PC01,20", "PC01,27", "PC01,29", "PC01,33",
                                      "PC01,35", "PC01,40", "PC01,90", "PC01,100", "PC01,Complete"}));
  // No uninstall entries: logged, and the scan goes on.
  EXPECT_EQ(o.log, std::vector<std::string>{"Unable to access remote registry,PC01:"});

  const Json& s = o.snapshot;
  ASSERT_TRUE(s.is_object());
  ExpectValues(s, {{"ComputerName", "PC01"}, {"Manufacturer", "Dell Inc."}, {"Model", "OptiPlex GX270"},
                   {"Domain", "corp.example"}, {"TotalPhysicalMemory", "511"}, {"UserName", "CORP\\jsmith"},
                   {"BootDevice", "\\Device\\HarddiskVolume1"}, {"OSCaption", "Microsoft Windows XP Professional"},
                   {"OSDescription", ""}, {"CSDVersion", "Service Pack 2"}, {"OSVersion", "5.1.2600"},
                   {"CountryCode", "44"}, {"WindowsDirectory", "C:\\WINDOWS"}, {"FreePhysicalMemory", "210"},
                   {"FreeSpaceInPagingFiles", "1024"}, {"FreeVirtualMemory", "1953"},
                   {"BIOSManufacturer", "Dell Computer Corporation"}, {"SMBIOSBIOSVersion", "A05"},
                   {"SerialNumber", "7XK2Q1J"}, {"ServiceList", "Alerter^Computer Browser"}, {"SoftwareList", ""}});

  EXPECT_EQ(s["Processors"].dump(), R"([{"Name":"Intel(R) Pentium(R) 4 CPU 2.80GHz","ClockSpeed":2793},)"
                                    R"({"Name":" CPU2","ClockSpeed":2794},{"Name":"CPU 3","ClockSpeed":2795},)"
                                    R"({"Name":"CPU 4","ClockSpeed":2796.5}])");

  const Json& drives = s["Drives"];
  std::vector<std::string> captions;
  for (const Json& drive : drives) captions.push_back(Value(drive, "Caption"));
  // K: has no slot.
  ASSERT_EQ(captions, (std::vector<std::string>{"", "", "C:", "", "E:", "", "", "", "", ""}));
  EXPECT_EQ(drives[2].dump(), R"({"Letter":"C","Caption":"C:","Size":38154,"FreeSpace":12288,)"
                       R"("VolumeName":"SYSTEM","FileSystem":"NTFS","VolumeSerialNumber":"A4B2C3D4"})");
  EXPECT_EQ(drives[4].dump(), R"({"Letter":"E","Caption":"E:","Size":76294,"FreeSpace":0,)"
                       R"("VolumeName":"DATA","FileSystem":"FAT32","VolumeSerialNumber":"1234ABCD"})");

  // A user-only scan stops after the computer system: the later passes' progress shows if they run.
  const Outcome u = Scan("PC01", "-u");
  EXPECT_EQ(u.run.progress, Lines("PC01", {"2", "4", "6", "100", "Complete"}));
  EXPECT_TRUE(u.log.empty());
  ExpectValues(u.snapshot, {{"UserName", "CORP\\jsmith"}, {"TotalPhysicalMemory", "511"}});
}

TEST_F(CollectE2E, RefusedWmiFallsBackToSharesRegistryLogonsAndServices) {
  Computer("PC01", XpRegistry() + "," + kServices + R"(,
    "shares": {"C$": {"total": 40007729152, "free": 12884901888}, "E$": {"total": 80000000000, "free": 1000}},
    "logons": {"entries": [{"user": "jsmith", "domain": "CORP"}, {"user": "SMSvcHost", "domain": "CORP"}]})");
  const Outcome o = Scan("PC01");
  EXPECT_EQ(o.log, (std::vector<std::string>{"Unable to access WMI,PC01:The RPC server is unavailable.",
                                              "Unable to access remote registry,PC01:"}));
  EXPECT_EQ(o.run.progress, Lines("PC01", {"2", "4", "35", "40", "90", "100", "Complete"}));
  const Json& s = o.snapshot;
  ExpectValues(s, {{"OSCaption", "Windows XP"}, {"OSVersion", "5.1.2600"}, {"CSDVersion", "Service Pack 2"},
                   {"WindowsDirectory", "C:\\WINDOWS"}, {"Domain", "corp.example"}, {"CountryCode", "44"},
                   {"UserName", "CORP\\jsmith"}, {"ServiceList", "Alerter^Computer Browser"}, {"Manufacturer", ""},
                   {"TotalPhysicalMemory", "0"}});
  const Json& drives = s["Drives"];
  EXPECT_EQ(drives[2].dump(), R"({"Letter":"C","Caption":"C:","Size":38154,"FreeSpace":12288,)"
                       R"("VolumeName":"","FileSystem":"","VolumeSerialNumber":""})");
  EXPECT_EQ(Value(drives[3], "Caption"), "");  // no D$ share
  EXPECT_EQ(Value(drives[4], "Caption"), "E:");
  EXPECT_EQ(Value(drives[4], "FreeSpace"), "0");

  // A refusal with a reason: the reason is logged.
  Computer("DENIED", R"("wmi": {"connect": "Access is denied."},)" + XpRegistry());
  EXPECT_EQ(Scan("DENIED").log.at(0), "Unable to access WMI,DENIED:Access is denied.");

  // Other versions keep their number; the string types arrive as the walk leaves them.
  Computer("VISTA", R"("registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {
      "CurrentVersion": "6.0", "CurrentBuildNumber": "6002",
      "SystemRoot": {"type": "REG_EXPAND_SZ", "data": "%SystemDrive%\\Windows"},
      "CSDVersion": {"type": "REG_MULTI_SZ", "data": ["SP", "1"]}}}})");
  ExpectValues(Scan("VISTA").snapshot, {{"OSCaption", "6.0"}, {"OSVersion", "6.0.6002"},
                                        {"WindowsDirectory", "%SystemDrive%\\Windows "},
                                        {"CSDVersion", std::string("SP 1 \0", 6)}, {"Domain", ""}});
}

TEST_F(CollectE2E, SoftwareStageWithManyOneAndNoUninstallEntries) {
  std::string many;
  for (int i = 0; i < 101; ++i) {
    const std::string n = std::to_string(i);
    many += Uninstall("P" + n, R"("DisplayName": "Product )" + n + R"(")" +
                                   (i == 0 ? std::string(R"(, "UninstallString": {"type": "REG_EXPAND_SZ", "data": "x"})") : "") +
                                   (i == 1 ? std::string(R"(, "DisplayVersion": "1.0", "UninstallString": "y")") : ""));
  }
  Computer("MANY", XpRegistry(many));
  Computer("ONE", XpRegistry(Uninstall("Only", R"("DisplayName": "Only", "UninstallString": "z")")));

  const Outcome m = Scan("MANY");
  EXPECT_EQ(Value(m.snapshot, "SoftwareList"), "Product 0§§§^Product 1§1.0§§");
  const auto& p = m.run.progress;
  ASSERT_EQ(p.size(), 2u + 2u + 40u + 3u);  // 2 4, 35 40, the running lines, 90 100 Complete
  EXPECT_EQ(std::vector<std::string>(p.begin() + 2, p.begin() + 6), Lines("MANY", {"35", "40", "51.2", "52.4"}));
  EXPECT_EQ(p[p.size() - 3], "MANY,90");
  EXPECT_EQ(m.log, std::vector<std::string>{"Unable to access WMI,MANY:The RPC server is unavailable."});

  const Outcome one = Scan("ONE");
  EXPECT_EQ(one.run.progress, Lines("ONE", {"2", "4", "35", "40", "Complete", "90", "100", "Complete"}));
  ASSERT_EQ(one.log.size(), 2u);
  EXPECT_EQ(one.log[1], "Error listing software,ONE:Division by zero");
  EXPECT_EQ(Value(one.snapshot, "SoftwareList"), "");
}

TEST_F(CollectE2E, LogonCases) {
  // No memory figure over WMI, so the workstation service names the user.
  auto computer = [&](const std::string& name, const std::string& logons) {
    Computer(name, R"("wmi": {"classes": {"Win32_ComputerSystem": [{"Name": ")" + name +
                       R"(", "UserName": "WMI\\user"}]}},)" + XpRegistry() + "," + logons);
  };
  computer("LAST", R"("logons": {"entries": [{"user": "alice", "domain": "LAB"}, {"user": "bob", "domain": "LAB"}, {"user": "smsadmin", "domain": "LAB"}]})");
  computer("PAGED", R"("logons": {"perCall": 2, "entries": [{"user": "u1", "domain": "D"}, {"user": "u2", "domain": "D"},
      {"user": "u3", "domain": "D"}, {"user": "u4", "domain": "D"}, {"user": "u5", "domain": "D"}]})");
  computer("REFUSED", R"("logons": {"status": 5, "entries": [{"user": "x", "domain": "D"}]})");
  computer("NOBODY", R"("logons": {"entries": []})");
  computer("LATE", R"("logons": {"perCall": 1, "entries": [{"user": "a", "domain": "D"}, {"user": "b", "domain": "D"}],
      "addedAfterFirstCall": [{"user": "c", "domain": "D"}]})");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"LAST", "LAB\\smsadmin"}, {"PAGED", "D\\u5"},
      {"REFUSED", ""}, {"NOBODY", "WMI\\user"}, {"LATE", "WMI\\user"}};
  for (const auto& [name, user] : expected) {
    const Outcome o = Scan(name, "-u");
    EXPECT_EQ(Value(o.snapshot, "UserName"), user) << name;
  }
}

TEST_F(CollectE2E, ServiceFailuresLoggedOverWmiAndShownOverTheFallback) {
  const std::string wmi = R"("wmi": {"classes": {"Win32_ComputerSystem": [{"TotalPhysicalMemory": "536281088"}]}},)";
  const std::vector<std::pair<std::string, std::string>> managers = {
      {"REFUSED", R"("manager": "refused")"}, {"ENUM", R"("manager": "enumRefused")"},
      {"GROWS", R"("manager": "grows")"}};
  for (const auto& [name, manager] : managers) {
    Computer("W" + name, wmi + XpRegistry() + R"(, "services": {)" + manager + R"(, "list": [{"name": "A", "display": "A"}]})");
    Computer("N" + name, XpRegistry() + R"(, "services": {)" + manager + R"(, "list": [{"name": "A", "display": "A"}]})");
  }
  const Outcome wr = Scan("WREFUSED");
  EXPECT_TRUE(wr.log.size() == 1 && wr.log[0].rfind("Unable to access remote registry", 0) == 0);
  for (const std::string name : {"WENUM", "WGROWS"}) {
    const Outcome o = Scan(name);
    ASSERT_GE(o.log.size(), 1u) << name;
    EXPECT_EQ(o.log[0], "Error listing services," + name + ":");
    EXPECT_EQ(o.run.progress[4], name + ",27");  // sent after a failed listing too
    EXPECT_EQ(Value(o.snapshot, "ServiceList"), "");
  }
  // The fallback's message boxes: with nobody to answer, their text goes to stderr.
  EXPECT_EQ(Scan("NREFUSED").run.stderrText.find("LastD"), std::string::npos);
  EXPECT_NE(Scan("NENUM").run.stderrText.find("Korvane: LastDLLError = 5"), std::string::npos);
  EXPECT_NE(Scan("NGROWS").run.stderrText.find("Korvane: EnumServicesStatus failed. LastDllError = 234"),
            std::string::npos);
}

// An unreadable registry ends the scan at the access check, and a missing services
// object wherever it is queried: neither leaves a snapshot.
TEST_F(CollectE2E, ScansThatEndEarly) {
  struct Case {
    const char* name;
    std::string json;
    std::vector<std::string> progress;  // before Complete
    std::string log;                    // the one line, without the time
  };
  auto missing = [](const char* cls) {
    return R"("wmi": {"queryErrors": {")" + std::string(cls) + R"(": {"number": 91, "description": "Object required"}}},)" +
           XpRegistry();
  };
  const std::string noAccess = "Insufficient access or error accessing PC ,";
  for (const Case& c : {Case{"READONLY", FullWmi() + "," + XpRegistry("", "read"), {"2", "4"}, noAccess + "READONLY:"},
                        Case{"NOREG", FullWmi(), {"2", "4"}, noAccess + "NOREG:"},
                        Case{"CS", missing("Win32_ComputerSystem"), {"2", "4", "6"}, "CS:Object required,ModGetWMI"},
                        Case{"OS", missing("Win32_OperatingSystem"), {"2", "4", "6"}, "OS:Object required,ModGetWMI"},
                        Case{"CPU", missing("Win32_Processor"), {"2", "4", "6", "20"}, "CPU:Object required,ModGetWMI"},
                        Case{"BIOS", missing("Win32_BIOS"), {"2", "4", "6", "20", "27"},
                             "Error getting WMI BIOS information,BIOS:Object required"},
                        Case{"DISK", missing("Win32_LogicalDisk"), {"2", "4", "6", "20", "27", "29"},
                             "Error getting WMI Logical Disk information,DISK:Object required"}}) {
    Computer(c.name, c.json);
    const Outcome o = Scan(c.name);
    std::vector<std::string> progress = Lines(c.name, c.progress);
    progress.push_back(std::string(c.name) + ",Complete");
    EXPECT_EQ(o.run.progress, progress) << c.name;
    EXPECT_EQ(o.log, std::vector<std::string>{c.log}) << c.name;
    EXPECT_TRUE(o.snapshot.is_null()) << c.name;
  }
}

TEST_F(CollectE2E, OtherQueryErrorsAreSkipped) {
  // The pass yields nothing, nothing is logged, the passes go on.
  Computer("GENERIC", FullWmi(R"(, "queryErrors": {"Win32_OperatingSystem": {"number": -2147217407,
      "description": "Generic failure"}})") + "," + XpRegistry(Uninstall("A", R"("UninstallString": "u")") +
                                                            Uninstall("B", R"("UninstallString": "u")")));
  const Outcome g = Scan("GENERIC");
  EXPECT_TRUE(g.log.empty());
  ExpectValues(g.snapshot, {{"OSCaption", ""}, {"SMBIOSBIOSVersion", "A05"}, {"SoftwareList", "§§§^§§§"}});
}

// A 64-bit computer lists its 64-bit view's programs, then its 32-bit view's; a product
// registered in both views (here "Both", under the same key name) is listed once per view.
// A computer without a 32-bit view gives the list it always gave. The first scan after
// the 32-bit view is read reports each 32-bit program once as newly installed, and none
// that a 64-bit entry of the same name already stood for.
TEST_F(CollectE2E, BothRegistryViewsOfA64BitComputer) {
  const std::string programs64 = Uninstall("A64", R"("DisplayName": "Alpha x64", "UninstallString": "u")") +
                                 Uninstall("Both", R"("DisplayName": "Both", "DisplayVersion": "2", "UninstallString": "u")") +
                                 Uninstall("NoCmd", R"("DisplayName": "No command")");
  const std::string programs32 =
      Uninstall("B32", R"("DisplayName": "Beta", "DisplayVersion": "1.5", "InstallLocation": "C:\\Program Files (x86)\\Beta",
                          "UninstallString": "u")", kWow) +
      Uninstall("Both", R"x("DisplayName": "Both", "DisplayVersion": "2 (x86)", "UninstallString": "u")x", kWow) +
      Uninstall("NoCmd32", R"("DisplayName": "No command 32")", kWow);
  Computer("WIN64", FullWmi() + "," + XpRegistry(programs64 + programs32));
  Computer("WIN32", FullWmi() + "," + XpRegistry(programs64));
  // The 32-bit view's keys, empty: a 64-bit computer without 32-bit programs.
  Computer("EMPTY32", FullWmi() + "," +
                          XpRegistry(programs64 + R"(, "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Classes": {})"));

  const std::string list64 = "Alpha x64§§§^Both§2§§";
  const Outcome win32 = Scan("WIN32");
  EXPECT_EQ(Value(win32.snapshot, "SoftwareList"), list64);
  const Outcome empty32 = Scan("EMPTY32");
  EXPECT_EQ(Value(empty32.snapshot, "SoftwareList"), list64);
  EXPECT_EQ(std::vector<std::string>(empty32.run.progress.begin() + 3, empty32.run.progress.end()),
            std::vector<std::string>(win32.run.progress.begin() + 3, win32.run.progress.end()));

  // All three report the name PC01 over WMI: the inventory now holds what the scanner
  // stored before it read the 32-bit view.
  inventory_.Execute("UPDATE Asset SET History = '' WHERE Computer = 'PC01'");
  const Outcome o = Scan("WIN64");
  EXPECT_EQ(Value(o.snapshot, "SoftwareList"),
            list64 + "^Beta§1.5§C:\\Program Files (x86)\\Beta§^Both§2 (x86)§§");
  // Six entries of both views: the running value climbs 8 a step, one line each time.
  EXPECT_EQ(std::vector<std::string>(o.run.progress.begin() + 7, o.run.progress.end()),
            Lines("PC01", {"35", "40", "58", "66", "74", "82", "90", "98", "90", "100", "Complete"}));
  EXPECT_TRUE(o.log.empty());
  const auto rows = inventory_.RowsOf("Software", "PC01");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1].text(), Value(o.snapshot, "SoftwareList"));
  const std::string history = inventory_.RowsOf("Asset", "PC01")[0][92].text();
  const std::string installed = "New Software installed : ";
  EXPECT_EQ(history.find(installed), history.rfind(installed)) << "one entry only: " << history;
  EXPECT_NE(history.find("~" + installed + "Beta^"), std::string::npos) << history;
}

TEST(CollectRules, SpacesNulsStringTypesServiceCountsAndVersionNames) {
  // Pairs of spaces go and an odd run leaves one; a multi-byte character is taken whole.
  for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"Intel     Xeon    ", "Intel Xeon"}, {" ", ""}, {"   ", ""}, {"Cœur  ™ 5", "Cœur™ 5"}}) {
    EXPECT_EQ(CollapseSpaces(in), out) << "'" << in << "'";
  }
  // Texts end at a NUL; the string types' walk.
  EXPECT_EQ(StripNull("\0abc"s), "");
  EXPECT_EQ(StripNull("ab\0cd\0"s), "ab");
  EXPECT_EQ(WidePtrToString("jsmith\0junk"s), "jsmith");
  EXPECT_EQ(RegistryStringText(kRegSz, "a\0b\0"s), "a");
  // A NUL becomes a blank and the character after it is taken unexamined.
  EXPECT_EQ(RegistryStringText(kRegMultiSz, "x\0\0y\0"s), "x \0y "s);
  EXPECT_EQ(RegistryStringText(kRegExpandSz, ""), "");
  // The service listing's entry count rounds halves to even; versions that have a name.
  // 0, 1.5, 2.5, 3.5, 3.78 and 1.47 entries
  for (const auto& [bytes, entries] :
       std::vector<std::pair<uint32_t, uint32_t>>{{0, 1}, {18, 2}, {54, 2}, {90, 4}, {100, 4}, {17, 1}}) {
    EXPECT_EQ(ServiceEntryCount(bytes), entries) << bytes;
  }
  for (const auto& [version, name] : std::vector<std::pair<std::string, std::string>>{
           {"5.0", "Windows 2000"}, {"4.0", "Windows NT"}, {"5.2", "5.2"}, {"", ""}}) {
    EXPECT_EQ(VersionName(version), name);
  }
}

}  // namespace
}  // namespace korvane::test

// The WMI collector inside the test process: the five passes, their progress lines, the
// user-only stop, failing queries and the hand-over to the NT fallback.
#include <gtest/gtest.h>

#include "collect/wmi_collector.h"
#include "tests/collect/fake_target.h"

namespace korvane {
namespace {

using test::CollectScan;
using test::WmiInstance;
using V = Variant;

void FullComputer(test::FakeTarget& t) {
  t.wmiClasses["Win32_ComputerSystem"] = {
      {{"Name", V("pc01")}, {"UserName", V::Null()}, {"Manufacturer", V("Dell Inc.")},
       {"Model", V("OptiPlex GX270")}, {"Domain", V("corp.example")},
       {"TotalPhysicalMemory", V("536281088")}}};
  t.wmiClasses["Win32_OperatingSystem"] = {
      {{"BootDevice", V("\\Device\\HarddiskVolume1")}, {"Caption", V("Microsoft Windows XP Professional")},
       {"CountryCode", V("44")}, {"CSDVersion", V("Service Pack 2")}, {"Description", V("")},
       {"FreePhysicalMemory", V("215040")}, {"FreeSpaceInPagingFiles", V("1048576")},
       {"FreeVirtualMemory", V("2000000")}, {"Version", V("5.1.2600")},
       {"WindowsDirectory", V("C:\\WINDOWS")}}};
  for (int i = 1; i <= 5; ++i) {
    t.wmiClasses["Win32_Processor"].push_back(
        {{"Name", V("  CPU  " + std::to_string(i))}, {"CurrentClockSpeed", V(int32_t{2790 + i})}});
  }
  t.wmiClasses["Win32_BIOS"] = {{{"Manufacturer", V("Dell Computer Corporation")},
                                  {"SMBIOSBIOSVersion", V("A05")}, {"SerialNumber", V("7XK2Q1J")}}};
  auto disk = [](const char* caption, const char* size, const char* free) {
    return WmiInstance{{"Caption", V(caption)}, {"Size", V(size)}, {"FreeSpace", V(free)},
                       {"VolumeName", V(std::string("VOL_") + caption)},
                       {"FileSystem", V("NTFS")}, {"VolumeSerialNumber", V("A4B2C3D4")}};
  };
  t.wmiClasses["Win32_LogicalDisk"] = {disk("C:", "40007729152", "12884901888"),
                                       disk("E:", "80000000000", "307200"),
                                       disk("K:", "1048576", "1048576")};
  t.services = {{"Alerter", "Alerter", 0x20, 1}, {"Browser", "Computer Browser", 0x20, 4}};
  t.logons = {{"ignored", "LAB"}};
}

TEST(WmiCollector, FullComputerFillsEveryFieldInFivePasses) {
  CollectScan s;
  FullComputer(s.target);
  s.k.snap.UserName = "KEPT\\before";
  ASSERT_FALSE(s.Run(GetWMI));
  const MachineSnapshot& m = s.k.snap;

  // The computer's own name replaces the command line's, before the next progress line.
  EXPECT_EQ(s.k.ctx.ComputerName, "pc01");
  EXPECT_EQ(s.Progress(), (std::vector<std::string>{"PC01,6", "pc01,20", "pc01,27", "pc01,29",
                                                    "pc01,33"}));
  EXPECT_EQ(s.target.wmiNotifications, 5);
  EXPECT_EQ(s.target.wmiQueries.front(), "Select * From Win32_ComputerSystem");

  EXPECT_EQ(m.Manufacturer, "Dell Inc.");
  EXPECT_EQ(m.Model, "OptiPlex GX270");
  EXPECT_EQ(m.Domain, "corp.example");
  EXPECT_EQ(m.TotalPhysicalMemory, 511);
  // A null user name keeps the old one, and with memory read nobody asks the
  // workstation service.
  EXPECT_EQ(m.UserName, "KEPT\\before");
  EXPECT_EQ(s.target.logonCalls, 0);

  EXPECT_EQ(m.BootDevice, "\\Device\\HarddiskVolume1");
  EXPECT_EQ(m.OSCaption, "Microsoft Windows XP Professional");
  EXPECT_EQ(m.CountryCode, "44");
  EXPECT_EQ(m.CSDVersion, "Service Pack 2");
  EXPECT_EQ(m.OSDescription, "");
  EXPECT_EQ(m.FreePhysicalMemory, 210);       // 215040 KB = 210 MB
  EXPECT_EQ(m.FreeSpaceInPagingFiles, 1024);
  EXPECT_EQ(m.FreeVirtualMemory, 1953);       // 1953.125
  EXPECT_EQ(m.OSVersion, "5.1.2600");
  EXPECT_EQ(m.WindowsDirectory, "C:\\WINDOWS");

  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(m.Processors[static_cast<std::size_t>(i)].Name, "CPU" + std::to_string(i + 1));
    EXPECT_EQ(m.Processors[static_cast<std::size_t>(i)].ClockSpeed, 2791 + i);
  }
  EXPECT_EQ(m.ServiceList, "Alerter^Computer Browser");
  EXPECT_EQ(m.BIOSManufacturer, "Dell Computer Corporation");
  EXPECT_EQ(m.SMBIOSBIOSVersion, "A05");
  EXPECT_EQ(m.SerialNumber, "7XK2Q1J");

  const DriveSlot& c = m.Drives[2];
  EXPECT_EQ(c.Caption, "C:");
  EXPECT_EQ(c.Size, 38154);  // 38154.34
  EXPECT_EQ(c.FreeSpace, 12288);
  EXPECT_EQ(c.VolumeName, "VOL_C:");
  EXPECT_EQ(c.FileSystem, "NTFS");
  EXPECT_EQ(c.VolumeSerialNumber, "A4B2C3D4");
  EXPECT_EQ(m.Drives[3].Caption, "");  // no D:
  EXPECT_EQ(m.Drives[4].Caption, "E:");
  EXPECT_EQ(m.Drives[4].Size, 76294);  // 76293.95
  EXPECT_EQ(m.Drives[4].FreeSpace, 0);  // 300 KB free rounds to nothing
  for (const DriveSlot& d : m.Drives) EXPECT_NE(d.Caption, "K:");
  EXPECT_TRUE(s.Log().empty());
}

TEST(WmiCollector, UserOnlyStopsAfterTheComputerSystemPass) {
  CollectScan s;
  FullComputer(s.target);
  s.k.ctx.UserOnly = true;
  s.target.wmiClasses["Win32_ComputerSystem"][0][1].second = V("CORP\\jsmith");
  ASSERT_FALSE(s.Run(GetWMI));
  EXPECT_EQ(s.Progress(), std::vector<std::string>{"PC01,6"});
  EXPECT_EQ(s.k.snap.UserName, "CORP\\jsmith");
  EXPECT_EQ(s.k.snap.TotalPhysicalMemory, 511);
  EXPECT_EQ(s.k.snap.OSCaption, "");
  EXPECT_EQ(s.k.snap.ServiceList, "");
  EXPECT_EQ(s.target.wmiQueries.size(), 1u);
}

TEST(WmiCollector, MissingDataLeavesFieldsAndAsksTheWorkstationService) {
  CollectScan s;
  s.target.wmiClasses["Win32_ComputerSystem"] = {
      {{"Name", V("PC01")}, {"Manufacturer", V::Null()}, {"TotalPhysicalMemory", V("300000")}}};
  s.target.wmiClasses["Win32_OperatingSystem"] = {{{"Caption", V::Null()}, {"Version", V("5.0")}}};
  s.target.wmiQueryErrors.emplace("Win32_BIOS", RuntimeError(-2147217407, "Generic failure"));
  s.target.logons = {{"jsmith", "CORP"}, {"SMSvcHost", "CORP"}};
  s.k.snap.Manufacturer = "old";
  s.k.snap.OSCaption = "old caption";
  ASSERT_FALSE(s.Run(GetWMI));
  // Under half a megabyte of memory: no figure, so the user comes from the logons.
  EXPECT_EQ(s.k.snap.TotalPhysicalMemory, 0);
  EXPECT_EQ(s.k.snap.UserName, "CORP\\jsmith");
  EXPECT_EQ(s.k.snap.Manufacturer, "old");
  EXPECT_EQ(s.k.snap.OSCaption, "old caption");
  EXPECT_EQ(s.k.snap.OSVersion, "5.0");
  EXPECT_EQ(s.k.snap.BIOSManufacturer, "");
  // The failing BIOS query is not logged and the later passes still run.
  EXPECT_EQ(s.Progress().back(), "PC01,33");
  EXPECT_TRUE(s.Log().empty());
}

TEST(WmiCollector, MissingServicesObjectAtAQueryEndsTheScanWithThePassLine) {
  struct Case {
    const char* cls;
    std::string logLine;
    std::size_t progressBeforeComplete;
  };
  const std::string desc = "Object variable or With block variable not set";
  for (const Case& c :
       {Case{"Win32_ComputerSystem", "PC01:" + desc + ",ModGetWMI", 1},
        Case{"Win32_OperatingSystem", "PC01:" + desc + ",ModGetWMI", 1},
        Case{"Win32_Processor", "PC01:" + desc + ",ModGetWMI", 2},
        Case{"Win32_BIOS", "Error getting WMI BIOS information,PC01:" + desc, 3},
        Case{"Win32_LogicalDisk", "Error getting WMI Logical Disk information,PC01:" + desc, 4}}) {
    SCOPED_TRACE(c.cls);
    CollectScan s;
    s.target.wmiClasses["Win32_ComputerSystem"] = {{{"TotalPhysicalMemory", V("536281088")}}};
    s.target.wmiQueryErrors.emplace(c.cls, RuntimeError(91, desc));
    EXPECT_TRUE(s.Run(GetWMI));
    EXPECT_EQ(s.Log(), std::vector<std::string>{c.logLine});
    const auto progress = s.Progress();
    ASSERT_EQ(progress.size(), c.progressBeforeComplete + 1);
    EXPECT_EQ(progress.back(), "PC01,Complete");
  }
}

TEST(WmiCollector, RefusedConnectionHandsOverToTheFallback) {
  CollectScan s;
  s.target.wmiConnectError = "The RPC server is unavailable.";
  s.target.shares["\\\\PC01\\C$"] = {40007729152, 12884901888};
  ASSERT_FALSE(s.Run(GetWMI));
  EXPECT_EQ(s.Log(), std::vector<std::string>{"Unable to access WMI,PC01:The RPC server is unavailable."});
  EXPECT_TRUE(s.Progress().empty());
  EXPECT_EQ(s.k.snap.Drives[2].Caption, "C:");
}

}  // namespace
}  // namespace korvane

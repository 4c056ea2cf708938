#include "tests/console/console_fixture.h"

#include <sstream>

namespace korvane::test {

std::string RowOf(const ScanResult& run, const std::string& computer) {
  for (const auto& line : run.stdoutLines) {
    if (line.rfind(computer + " ", 0) == 0 && line.find('[') == std::string::npos) return line;
  }
  return "";
}

ScanResult RunConsole(const std::vector<std::string>& args, std::map<std::string, std::string> env,
                      std::optional<std::string> fakeTime) {
  return RunScanner({.args = args, .env = std::move(env), .fakeTime = std::move(fakeTime), .channelFd = -1,
                     .program = ProgramPath("korvane-console")});
}

std::string FullComputerJson(const std::string& name, const std::string& freeBytes,
                             const std::string& memoryBytes) {
  std::ostringstream j;
  j << R"({
  "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": ")" << name << R"(", "UserName": "CORP\\jsmith", "Manufacturer": "Dell Inc.",
                              "Model": "OptiPlex GX270", "Domain": "corp.example", "TotalPhysicalMemory": ")" << memoryBytes << R"("}],
    "Win32_OperatingSystem": [{"BootDevice": "\\Device\\HarddiskVolume1", "Caption": "Microsoft Windows XP Professional",
                               "CountryCode": "44", "CSDVersion": "Service Pack 2", "Description": "",
                               "FreePhysicalMemory": "215040", "FreeSpaceInPagingFiles": "1048576",
                               "FreeVirtualMemory": "2000000", "Version": "5.1.2600", "WindowsDirectory": "C:\\WINDOWS"}],
    "Win32_Processor": [{"Name": "Intel(R) Pentium(R) 4 CPU 2.80GHz", "CurrentClockSpeed": 2793}],
    "Win32_BIOS": [{"Manufacturer": "Dell Computer Corporation", "SMBIOSBIOSVersion": "A05", "SerialNumber": "7XK2Q1J"}],
    "Win32_LogicalDisk": [{"Caption": "C:", "Size": "40007729152", "FreeSpace": ")" << freeBytes << R"(",
                           "VolumeName": "SYSTEM", "FileSystem": "NTFS", "VolumeSerialNumber": "A4B2C3D4"}]
  }},
  "registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1", "CurrentBuildNumber": "2600"},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{90110409-6000-11D3-8CFE-0150048383C9}": {
      "DisplayName": "Microsoft Office Professional Edition 2003", "DisplayVersion": "11.0.5614.0",
      "InstallLocation": "C:\\Program Files\\Microsoft Office\\", "ProductID": "73931-640-0000106-57285",
      "UninstallString": {"type": "REG_EXPAND_SZ", "data": "MsiExec.exe /I{90110409-6000-11D3-8CFE-0150048383C9}"}},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinZip": {
      "DisplayName": "WinZip", "DisplayVersion": "9.0", "UninstallString": "C:\\PROGRA~1\\WinZip\\WINZIP32.EXE /uninstall"}
  }},
  "services": {"list": [{"name": "Browser", "display": "Computer Browser"}]},
  "logons": {"entries": [{"user": "jsmith", "domain": "CORP"}]},
  "shares": {"C$": {"total": 40007729152, "free": )" << freeBytes << R"(}}
})";
  return j.str();
}

ConsoleLab::ConsoleLab(const std::string& dataSource)
    : source(dataSource.empty() ? (dir / "inventory").string() : dataSource) {
  const ScanResult run = RunConsole({"init-db", source});
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
}

ScanResult ConsoleLab::Scan(const std::vector<std::string>& args, std::optional<std::string> fakeTime) const {
  std::vector<std::string> all = {"scan", "--db", source, "--lab", lab.str()};
  all.insert(all.end(), args.begin(), args.end());
  return RunConsole(all, {{"Temp", dir.str()}}, std::move(fakeTime));
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

}  // namespace korvane::test

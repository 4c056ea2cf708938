// A lab computer whose scan goes on past the last-access record into the reconciliation:
// it answers, its registry can be read and WMI describes it.
#pragma once

#include <string>
#include <vector>

namespace korvane::test {

// `wmiName` and `manufacturer` are JSON string contents, `programs` JSON values for
// DisplayName (each at `version`); `extra` goes first into the file's object.
inline std::string ScannableComputer(const std::string& wmiName, const std::string& manufacturer,
                                     const std::vector<std::string>& programs,
                                     const std::string& version = "1", const std::string& extra = "") {
  std::string keys;
  for (std::size_t p = 0; p < programs.size(); ++p) {
    keys += R"(, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P)" +
            std::to_string(p) + R"(": {"DisplayName": )" + programs[p] + R"(, "DisplayVersion": ")" + version +
            R"(", "UninstallString": "remove.exe"})";
  }
  return "{" + extra + R"(
  "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": ")" + wmiName + R"(", "Manufacturer": ")" + manufacturer +
         R"(", "Model": "M1", "Domain": "corp", "TotalPhysicalMemory": "536281088", "UserName": "CORP\\u"}],
    "Win32_OperatingSystem": [{"Caption": "Microsoft Windows XP Professional", "Version": "5.1.2600", "FreePhysicalMemory": "215040", "WindowsDirectory": "C:\\WINDOWS"}],
    "Win32_Processor": [{"Name": "CPU", "CurrentClockSpeed": 2793}],
    "Win32_LogicalDisk": [{"Caption": "C:", "Size": "40007729152", "FreeSpace": "12884901888", "FileSystem": "NTFS"}]
  }},
  "registry": {"keys": {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"})" +
         keys + R"(}},
  "services": {"list": [{"name": "Alerter", "display": "Alerter"}]}
})";
}

}  // namespace korvane::test

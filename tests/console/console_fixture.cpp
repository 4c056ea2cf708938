#include "tests/console/console_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
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

std::string ConsoleLab::Show(std::vector<std::string> args, std::optional<std::string> fakeTime) const {
  args.insert(args.begin(), {"show", "--db", source});
  const ScanResult run = RunConsole(args, {}, std::move(fakeTime));
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  return run.StdoutText();
}

pid_t StartConsole(const ConsoleLab& c, const std::vector<std::string>& args, const std::string& output,
                   const std::vector<int>& closed) {
  const pid_t console = fork();
  if (console != 0) return console;
  const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  dup2(fd, STDOUT_FILENO);
  dup2(fd, STDERR_FILENO);
  for (int n : closed) close(n);
  setenv("Temp", c.dir.str().c_str(), 1);
  const std::string program = ProgramPath("korvane-console");
  std::vector<std::string> all = {program, "scan", "--db", c.source, "--lab", c.lab.str()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

int WaitFor(pid_t pid) {
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 600 && (ended = waitpid(pid, &status, WNOHANG)) == 0; ++i) usleep(100000);
  if (ended == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : kEndedBySignal + WTERMSIG(status);
}

std::vector<pid_t> ProcessesMentioning(const std::string& text, pid_t except) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos || std::stoi(name) == except) continue;
    if (ReadFile(entry.path() / "cmdline").find(text) != std::string::npos) found.push_back(std::stoi(name));
  }
  return found;
}

std::size_t RunLogsHolding(const ConsoleLab& c, const std::string& text) {
  std::size_t n = 0;
  try {  // a scan's folder may go while it is listed
    for (const auto& entry : std::filesystem::recursive_directory_iterator(c.dir.path())) {
      if (entry.path().filename() == "DrevantaAssetDB.log" && entry.path().parent_path() != c.dir.path() &&
          ReadFile(entry.path()).find(text) != std::string::npos) {
        ++n;
      }
    }
  } catch (const std::filesystem::filesystem_error&) {
    return 0;
  }
  return n;
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

}  // namespace korvane::test

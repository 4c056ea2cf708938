// What adding one new computer costs the scanner as the inventory grows: the real
// korvane scans a new lab computer into a SQLite inventory that already holds 1,000 and
// then 100,000 computers, and the child's wall time and peak memory (getrusage) are
// reported. A scan that fetched whole tables to add its rows would grow with the table.
//
//   bench_db_add_computer [ROWS...]     (default: 1000 100000)
// KORVANE_BENCH_KEEP=1 keeps the inventories and names their directory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/db/database_server.h"
#include "platform/db/schema_install.h"
#include "scan/scan_context.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 5;

const char* kComputer = R"({
  "wmi": {"classes": {
    "Win32_ComputerSystem": [{"Name": "NAME", "Manufacturer": "Dell Inc.", "Model": "OptiPlex GX270", "Domain": "corp", "TotalPhysicalMemory": "536281088", "UserName": "CORP\\jsmith"}],
    "Win32_OperatingSystem": [{"Caption": "Microsoft Windows XP Professional", "CSDVersion": "Service Pack 2", "Version": "5.1.2600", "FreePhysicalMemory": "215040", "WindowsDirectory": "C:\\WINDOWS"}],
    "Win32_Processor": [{"Name": "Intel(R) Pentium(R) 4 CPU 2.80GHz", "CurrentClockSpeed": 2793}],
    "Win32_BIOS": [{"Manufacturer": "Dell", "SMBIOSBIOSVersion": "A05", "SerialNumber": "7XK2Q1J"}],
    "Win32_LogicalDisk": [{"Caption": "C:", "Size": "40007729152", "FreeSpace": "12884901888", "VolumeName": "SYSTEM", "FileSystem": "NTFS", "VolumeSerialNumber": "A4B2C3D4"}]
  }},
  "registry": {"keys": {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "5.1"},
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Office": {"DisplayName": "Microsoft Office", "DisplayVersion": "11.0"}
  }},
  "services": {"list": [{"name": "Alerter", "display": "Alerter"}, {"name": "Browser", "display": "Computer Browser"}]}
})";

// Fills every table with `rows` computers of realistic width, one statement per table.
void Populate(const std::string& directory, int rows) {
  korvane::InstallSchema(directory);
  auto server = korvane::MakeDatabaseServer();
  auto conn = server->Open(korvane::MakeConnectionString(directory));
  const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                              std::to_string(rows) + ") ";
  const std::string pad = "replace(hex(zeroblob(150)), '00', 'ab')";  // 600 characters
  conn->Execute("INSERT INTO Asset (Computer, Manufacturer, Model, Domain, OSCaption, CSDVersion, "
                "OSVersion, Processor1Name, Processor1ClockSpeed, TotalPhysicalMemory, LastScan, "
                "UserName, IPAddress, DriveCCaption, DriveCSize, DriveCFreeSpace, DriveCFileSystem, "
                "History) " + numbers +
                "SELECT 'PC' || i, 'Dell Inc.', 'OptiPlex GX270', 'corp', 'Microsoft Windows XP "
                "Professional', 'Service Pack 2', '5.1.2600', 'Intel(R) Pentium(R) 4 CPU "
                "2.80GHz', 2793.0, 511, '2003/02/14 09:05:30', 'CORP\\jsmith', '10.0.0.1', 'C:', "
                "38154.0, 12288.0, 'NTFS', " + pad + " FROM n");
  conn->Execute("INSERT INTO Software (SoftComputer, SoftwareList) " + numbers + "SELECT 'PC' || i, " + pad +
                " || " + pad + " FROM n");
  conn->Execute("INSERT INTO Services (ServComputer, ServiceList) " + numbers + "SELECT 'PC' || i, " + pad + " FROM n");
  conn->Execute("INSERT INTO LastAccess (Computer, LastAccessTime) " + numbers +
                "SELECT 'PC' || i, '2003/02/14 09:05:30' FROM n");
  conn->Execute("INSERT INTO DriveHistory (DiskComputer, DiskHistory, DiskComputerName) " + numbers +
                "SELECT 'PC' || i || '~C', '^2003/02/14,12288', 'PC' || i FROM n");
}

struct Sample {
  double seconds;
  long maxRssKb;
  int status;
};

Sample ScanOnce(const std::string& name, const std::string& server, const std::string& lab,
                const std::string& temp) {
  const std::string program = std::string(KORVANE_BIN_DIR) + "/korvane";
  const std::string commandLine = "0," + name + "," + server + ",";
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("KORVANE_LAB", lab.c_str(), 1);
    setenv("Temp", temp.c_str(), 1);
    execl(program.c_str(), program.c_str(), commandLine.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, status};
}

// For comparison: what the four whole-table opens of a new computer's scan would cost if
// they fetched their tables (reading a row forces the fetch), in a child process.
Sample FetchWholeTables(const std::string& server) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    auto database = korvane::MakeDatabaseServer();
    for (const char* query : {"SELECT * From Asset", "SELECT * From Software", "SELECT * From Services",
                              "SELECT * from LastAccess"}) {
      auto conn = database->Open(korvane::MakeConnectionString(server));
      auto rs = conn->OpenRecordset(query);
      if (rs->RecordCount() > 0) rs->Field(0);
    }
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, status};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 100000};

  const fs::path root = fs::temp_directory_path() / ("korvane-bench-" + std::to_string(getpid()));
  fs::create_directories(root / "lab");
  fs::create_directories(root / "temp");
  std::printf("%-10s %-8s %-14s %-14s %-14s %-18s %-18s\n", "rows", "db MB", "scan s (med)",
              "scan s (max)", "peak RSS KB", "fetch-all s", "fetch-all RSS KB");
  for (int rows : sizes) {
    const fs::path db = root / ("db" + std::to_string(rows));
    fs::create_directories(db);
    Populate(db.string(), rows);
    const auto dbBytes = fs::file_size(db / "DrevantaAsset.sqlite");
    std::vector<double> times;
    long peak = 0;
    for (int run = 0; run < kRuns; ++run) {
      const std::string name = "NEWPC" + std::to_string(run);
      std::string file = kComputer;
      file.replace(file.find("NAME"), 4, name);
      std::ofstream(root / "lab" / (name + ".json")) << file;
      const Sample s = ScanOnce(name, db.string(), (root / "lab").string(), (root / "temp").string());
      if (!WIFEXITED(s.status) || WEXITSTATUS(s.status) != 0) {
        std::fprintf(stderr, "scan %d ended with status %d\n", run, s.status);
      }
      times.push_back(s.seconds);
      peak = std::max(peak, s.maxRssKb);
    }
    std::sort(times.begin(), times.end());
    const Sample all = FetchWholeTables(db.string());
    std::printf("%-10d %-8.1f %-14.3f %-14.3f %-14ld %-18.3f %-18ld\n", rows,
                static_cast<double>(dbBytes) / 1e6, times[times.size() / 2], times.back(), peak,
                all.seconds, all.maxRssKb);
    std::fflush(stdout);
  }
  if (std::getenv("KORVANE_BENCH_KEEP") != nullptr) {
    std::printf("kept %s\n", root.c_str());
  } else {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  return 0;
}

// What writing the HTML report costs as the inventory grows: an SQLite inventory of
// 1,000 and then 10,000 computers of realistic width (a change history of every kind, 150
// to 220 programs, 90 services, two drives with 60 days of free space each) is reported by
// the real korvane-console, and the child's wall time and peak memory (getrusage) are
// printed. The report streams per computer, so the peak should hardly move with the size.
//
//   bench_report_scale [COMPUTERS...]     (default: 1000 10000)
// KORVANE_BENCH_KEEP=1 keeps the inventories and reports and names their directory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "scan/scan_context.h"
#include "platform/db/database_server.h"
#include "platform/db/schema_install.h"

namespace fs = std::filesystem;

namespace {

const std::string kSection = "\xC2\xA7";

std::string Quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

// A software list of `count` programs; `variant` shifts versions so the census sees
// several versions of most programs.
std::string SoftwareList(int count, int variant) {
  std::string list;
  for (int p = 0; p < count; ++p) {
    list += (p ? "^" : "") + std::string("Program ") + std::to_string(p) + " Suite" + kSection + std::to_string(1 + p % 7) +
            "." + std::to_string((p + variant) % 4) + kSection + "C:\\Program Files\\Vendor " + std::to_string(p % 40) +
            "\\" + kSection + "7393" + std::to_string(p) + "-640-0000106";
  }
  return list;
}

std::string History() {
  std::string h = "2026/10/01 09:00:00~New Record Created^";
  for (int d = 2; d <= 28; ++d) {
    const std::string t = "2026/10/" + std::string(d < 10 ? "0" : "") + std::to_string(d) + " 09:00:0";
    h += t + "1~Physical Memory changed from 512 To 1024^";
    h += t + "2~Program " + std::to_string(d) + " Suite Version changed from 1.0 To 1.1^";
    h += t + "3~New Software installed : Program " + std::to_string(100 + d) + " Suite^";
    h += t + "4~Software removed : Program " + std::to_string(200 + d) + " Suite^";
  }
  return h;
}

std::string DiskHistory(double start, double perDay) {
  std::string h;
  for (int d = 0; d < 60; ++d) {
    const int month = 10 + d / 30, day = 1 + d % 30;
    h += "^2026/" + std::to_string(month) + "/" + (day < 10 ? "0" : "") + std::to_string(day) + "," +
         std::to_string(static_cast<long>(start - perDay * d));
  }
  return h;
}

void Populate(const std::string& directory, int rows) {
  korvane::InstallSchema(directory);
  auto server = korvane::MakeDatabaseServer();
  auto conn = server->Open(korvane::MakeConnectionString(directory));
  const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                              std::to_string(rows) + ") ";
  std::string services;
  for (int s = 0; s < 90; ++s) services += (s ? "^" : "") + std::string("Service number ") + std::to_string(s);
  conn->Execute(
      "INSERT INTO Asset (Computer, Manufacturer, Model, Domain, OSCaption, CSDVersion, OSVersion, "
      "Processor1Name, Processor1ClockSpeed, TotalPhysicalMemory, LastScan, UserName, IPAddress, "
      "DriveCCaption, DriveCSize, DriveCFreeSpace, DriveCFileSystem, DriveDCaption, DriveDSize, DriveDFreeSpace, "
      "DriveDFileSystem, History) " + numbers +
      "SELECT 'PC' || i, 'Dell Inc.', 'OptiPlex ' || (i % 9), 'corp', 'Microsoft Windows ' || "
      "(CASE i % 4 WHEN 0 THEN 'XP Professional' WHEN 1 THEN '7 Professional' WHEN 2 THEN '10 Pro' ELSE '11 Pro' END), "
      "'Service Pack ' || (i % 3), '5.1.2600', 'Intel(R) Core(TM) i5 CPU', 1000.0 + (i % 30) * 100, 512 * (1 + i % 8), "
      "'2026/11/29 09:00:00', 'CORP\\user' || i, '10.0.' || (i / 250) || '.' || (i % 250), 'C:', 120000.0, "
      "9000.0 + i % 5000, 'NTFS', 'D:', 500000.0, 200000.0, 'NTFS', " + Quoted(History()) + " FROM n");
  conn->Execute("INSERT INTO Software (SoftComputer, SoftwareList) " + numbers + "SELECT 'PC' || i, CASE i % 4 " +
                "WHEN 0 THEN " + Quoted(SoftwareList(150, 0)) + " WHEN 1 THEN " + Quoted(SoftwareList(180, 1)) +
                " WHEN 2 THEN " + Quoted(SoftwareList(200, 2)) + " ELSE " + Quoted(SoftwareList(220, 3)) + " END FROM n");
  conn->Execute("INSERT INTO Services (ServComputer, ServiceList) " + numbers + "SELECT 'PC' || i, " +
                Quoted(services) + " FROM n");
  conn->Execute("INSERT INTO LastAccess (Computer, LastAccessTime) " + numbers +
                "SELECT 'PC' || i, '2026/11/' || (10 + i % 20) || ' 09:00:00' FROM n");
  conn->Execute("INSERT INTO DriveHistory (DiskComputer, DiskHistory, DiskComputerName) " + numbers +
                "SELECT 'PC' || i || '~C', CASE i % 2 WHEN 0 THEN " + Quoted(DiskHistory(30000, 150)) + " ELSE " +
                Quoted(DiskHistory(20000, 20)) + " END, 'PC' || i FROM n");
  conn->Execute("INSERT INTO DriveHistory (DiskComputer, DiskHistory, DiskComputerName) " + numbers +
                "SELECT 'PC' || i || '~D', " + Quoted(DiskHistory(250000, 900)) + ", 'PC' || i FROM n");
}

struct Sample {
  double seconds;
  double cpuSeconds;  // user and system time of the report process
  long maxRssKb;
  int status;
};

Sample Report(const std::string& db, const std::string& out) {
  const std::string program = std::string(KORVANE_BIN_DIR) + "/korvane-console";
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl(program.c_str(), program.c_str(), "report", "--db", db.c_str(), "--out", out.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          cpu(usage.ru_utime) + cpu(usage.ru_stime), usage.ru_maxrss, status};
}

std::uintmax_t TreeBytes(const fs::path& dir) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) total += e.file_size();
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};
  const fs::path root = fs::temp_directory_path() / ("korvane-bench-report-" + std::to_string(getpid()));
  std::printf("%-10s %-10s %-10s %-10s %-14s %-12s\n", "computers", "db MB", "report s", "CPU s", "peak RSS MB",
              "report MB");
  int failures = 0;
  for (int rows : sizes) {
    const fs::path db = root / ("db" + std::to_string(rows));
    fs::create_directories(db);
    Populate(db.string(), rows);
    const fs::path out = root / ("report" + std::to_string(rows));
    const Sample s = Report(db.string(), out.string());
    failures += s.status != 0;
    std::printf("%-10d %-10.1f %-10.2f %-10.2f %-14.1f %-12.1f%s\n", rows,
                static_cast<double>(fs::file_size(db / "DrevantaAsset.sqlite")) / 1048576.0, s.seconds, s.cpuSeconds,
                static_cast<double>(s.maxRssKb) / 1024.0, static_cast<double>(TreeBytes(out)) / 1048576.0,
                s.status == 0 ? "" : "  (report failed)");
    std::fflush(stdout);
  }
  if (std::getenv("KORVANE_BENCH_KEEP") != nullptr) {
    std::printf("kept in %s\n", root.string().c_str());
  } else {
    fs::remove_all(root);
  }
  return failures == 0 ? 0 : 1;
}

// What the console's views of an inventory cost as it grows: an inventory of N computers
// of realistic width (a change history of every kind, 150 to 220 programs, 90 services,
// one to three drives with 60 days of free space each) is built in a few bulk statements,
// then the real korvane-console runs each view (the report once, the others three times,
// the median printed) and the child's wall time, user and system processor time and peak
// memory (getrusage) are printed. One computer's views
// (`show PC`, its CSV and JSON) should stay flat as N grows; the whole-inventory views
// (`show`, its CSV and JSON, `report`) should grow linearly, with a few hundred bytes of
// memory per computer (the sorted list of names).
//
//   bench_inventory_scale [--postgres DSN] [COMPUTERS...]     (default: 1000 10000)
//
// SQLite inventories go to a temporary directory. With --postgres (or
// KORVANE_BENCH_PG_DSN) the same sizes are measured on that data source too; its five
// inventory tables are EMPTIED first, so never point it at an inventory that matters.
// KORVANE_BENCH_KEEP=1 keeps the SQLite inventories and the reports and names their
// directory. At 100,000 computers each backend takes about two minutes on 2 idle cores
// (a 2.2 GB file, a 2.1 GB report). The reports are kept until the end either way: a
// file system that has just deleted 100,000 files creates the next ones several times
// more slowly, which would be measured as the next report's own time.
#include <fcntl.h>
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

#include "scan/scan_context.h"
#include "platform/db/database_server.h"
#include "platform/db/schema_install.h"
#include "platform/runtime_error.h"

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

// `days` days of scans, each with a field change, a version change, an installation and
// a removal.
std::string History(int days) {
  std::string h = "2026/10/01 09:00:00~New Record Created^";
  for (int d = 2; d < 2 + days; ++d) {
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

void Populate(const std::string& source, int rows, bool postgres) {
  korvane::InstallSchema(source);
  auto server = korvane::MakeDatabaseServer();
  auto conn = server->Open(korvane::MakeConnectionString(source));
  if (postgres) conn->Execute("TRUNCATE Asset, Software, Services, LastAccess, DriveHistory");
  // Every table in one statement: one transaction each, whatever the backend.
  const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                              std::to_string(rows) + ") ";
  std::string services;
  for (int s = 0; s < 90; ++s) services += (s ? "^" : "") + std::string("Service number ") + std::to_string(s);
  conn->Execute(
      "INSERT INTO Asset (Computer, Manufacturer, Model, Domain, OSCaption, CSDVersion, OSVersion, "
      "Processor1Name, Processor1ClockSpeed, TotalPhysicalMemory, LastScan, UserName, IPAddress, "
      "DriveCCaption, DriveCSize, DriveCFreeSpace, DriveCFileSystem, DriveDCaption, DriveDSize, DriveDFreeSpace, "
      "DriveDFileSystem, DriveECaption, DriveESize, DriveEFreeSpace, DriveEFileSystem, History) " + numbers +
      "SELECT 'PC' || i, 'Dell Inc.', 'OptiPlex ' || (i % 9), 'corp', 'Microsoft Windows ' || "
      "(CASE i % 4 WHEN 0 THEN 'XP Professional' WHEN 1 THEN '7 Professional' WHEN 2 THEN '10 Pro' ELSE '11 Pro' END), "
      "'Service Pack ' || (i % 3), '5.1.2600', 'Intel(R) Core(TM) i5 CPU', 1000.0 + (i % 30) * 100, 512 * (1 + i % 8), "
      "'2026/11/29 09:00:00', 'CORP\\user' || i, '10.0.' || (i / 250) || '.' || (i % 250), 'C:', 120000.0, "
      "9000.0 + i % 5000, 'NTFS', "
      "CASE WHEN i % 3 <> 0 THEN 'D:' END, CASE WHEN i % 3 <> 0 THEN 500000.0 END, "
      "CASE WHEN i % 3 <> 0 THEN 200000.0 END, CASE WHEN i % 3 <> 0 THEN 'NTFS' END, "
      "CASE WHEN i % 5 = 0 THEN 'E:' END, CASE WHEN i % 5 = 0 THEN 1000000.0 END, "
      "CASE WHEN i % 5 = 0 THEN 400000.0 END, CASE WHEN i % 5 = 0 THEN 'NTFS' END, "
      "CASE i % 3 WHEN 0 THEN " + Quoted(History(3)) + " WHEN 1 THEN " + Quoted(History(12)) + " ELSE " +
      Quoted(History(27)) + " END FROM n");
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
                "SELECT 'PC' || i || '~D', " + Quoted(DiskHistory(250000, 900)) + ", 'PC' || i FROM n WHERE i % 3 <> 0");
  conn->Execute("INSERT INTO DriveHistory (DiskComputer, DiskHistory, DiskComputerName) " + numbers +
                "SELECT 'PC' || i || '~E', " + Quoted(DiskHistory(500000, 2500)) + ", 'PC' || i FROM n WHERE i % 5 = 0");
  // What the server's autovacuum and checkpoints would have done by the time anyone
  // looks: a checkpoint writing the new tables out under a view would be measured with it.
  if (postgres) {
    conn->Execute("ANALYZE");
    try {
      conn->Execute("CHECKPOINT");
    } catch (const korvane::RuntimeError&) {
      // Not the server's superuser: its own checkpoint comes when it comes.
    }
  }
}

struct Sample {
  double seconds;
  double userSeconds, systemSeconds;  // processor time of the console
  long maxRssKb;
  int status;
};

// Runs korvane-console with `args`, its standard output into `output`.
Sample Console(const std::vector<std::string>& args, const fs::path& output) {
  const std::string program = std::string(KORVANE_BIN_DIR) + "/korvane-console";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, 1) < 0) _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          cpu(usage.ru_utime), cpu(usage.ru_stime), usage.ru_maxrss, status};
}

std::uintmax_t TreeBytes(const fs::path& dir) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) total += e.file_size();
  }
  return total;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

struct View {
  const char* name;
  std::vector<std::string> args;  // after --db SOURCE; "@PC" is the computer, "@OUT" the report directory
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  std::string postgres = std::getenv("KORVANE_BENCH_PG_DSN") ? std::getenv("KORVANE_BENCH_PG_DSN") : "";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--postgres" && i + 1 < argc) {
      postgres = argv[++i];
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {1000, 10000};
  const fs::path root = fs::temp_directory_path() / ("korvane-bench-inventory-" + std::to_string(getpid()));
  fs::create_directories(root);
  const std::vector<View> views = {
      {"show PC", {"show", "@PC"}},
      {"show --format csv PC", {"show", "--format", "csv", "@PC"}},
      {"show --format json PC", {"show", "--format", "json", "@PC"}},
      {"show", {"show"}},
      {"show --format csv", {"show", "--format", "csv"}},
      {"show --format json", {"show", "--format", "json"}},
      {"report", {"report", "--out", "@OUT"}},
  };
  std::vector<std::string> backends{"SQLite"};
  if (!postgres.empty()) backends.push_back("PostgreSQL");
  std::printf("%-9s %-10s %-22s %9s %9s %9s %9s %10s\n", "computers", "backend", "view", "wall s", "user s",
              "system s", "peak MB", "output MB");
  int failures = 0;
  for (const std::string& backend : backends) {
    for (int rows : sizes) {
      const bool pg = backend == "PostgreSQL";
      const std::string source = pg ? postgres : (root / ("db" + std::to_string(rows))).string();
      const auto built = std::chrono::steady_clock::now();
      Populate(source, rows, pg);
      std::printf("# %d computers on %s built in %.1f s%s; load average %s\n", rows, backend.c_str(),
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - built).count(),
                  pg ? "" : (", " + std::to_string(fs::file_size(fs::path(source) / "DrevantaAsset.sqlite") >> 20) +
                             " MB file").c_str(),
                  LoadAverage().c_str());
      const std::string computer = "PC" + std::to_string(rows / 2 + 1);
      for (const View& v : views) {
        const fs::path out = root / ("report-" + backend + std::to_string(rows));
        std::vector<std::string> args{v.args[0], "--db", source};
        for (std::size_t a = 1; a < v.args.size(); ++a) {
          args.push_back(v.args[a] == "@PC" ? computer : v.args[a] == "@OUT" ? out.string() : v.args[a]);
        }
        const fs::path stdoutFile = root / "stdout";
        // Each view starts on a quiet disk, not under the write-back of the inventory just
        // built or of the report just removed. The views of a few seconds vary by a
        // fifth from run to run: of three runs the median is printed, after one run not
        // measured (SQLite's first readings of a file just written cost up to twice the
        // kernel time of later ones).
        std::vector<Sample> runs;
        const bool report = v.args[0] == "report";
        for (int run = report ? 0 : -1; run < (report ? 1 : 3); ++run) {
          sync();
          const Sample sample = Console(args, stdoutFile);
          if (sample.status != 0 || run >= 0) runs.push_back(sample);
        }
        std::sort(runs.begin(), runs.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
        const Sample s = runs[runs.size() / 2];
        const bool failed = std::any_of(runs.begin(), runs.end(), [](const Sample& r) { return r.status != 0; });
        const std::uintmax_t bytes = fs::exists(out) ? TreeBytes(out) : fs::file_size(stdoutFile);
        failures += failed;
        std::printf("%-9d %-10s %-22s %9.2f %9.2f %9.2f %9.1f %10.1f%s\n", rows, backend.c_str(), v.name, s.seconds,
                    s.userSeconds, s.systemSeconds, static_cast<double>(s.maxRssKb) / 1024.0, static_cast<double>(bytes) / 1048576.0,
                    failed ? "  (failed)" : "");
        std::fflush(stdout);
      }
      if (!pg && std::getenv("KORVANE_BENCH_KEEP") == nullptr) fs::remove_all(source);
    }
  }
  if (std::getenv("KORVANE_BENCH_KEEP") != nullptr) {
    std::printf("kept in %s\n", root.string().c_str());
  } else {
    fs::remove_all(root);
  }
  return failures == 0 ? 0 : 1;
}

// Database time of a full scan of one computer (the last-access record and the
// reconciliation, each scan with a pool and connection of its own, as a scanner process
// has), measured in this process with the program's own database layer, side by side on
// SQLite (WAL) and on PostgreSQL through ODBC: a new computer, a known computer whose
// snapshot has not changed, and a known computer with a dozen field changes and 15
// software changes out of 150 programs. Every write is its own committed statement.
//
//   bench_reconcile_full_scan [SCANS] [--pg DSN]     (default: 30 scans; the PostgreSQL
//     column needs a DSN, else KORVANE_TEST_PG_DSN is used when set)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "scan/korvane.h"
#include "inventory/update_db.h"
#include "reach/last_access.h"
#include "platform/db/database_server.h"
#include "platform/db/schema_install.h"

namespace fs = std::filesystem;
using namespace korvane;

namespace {

class NoProcess : public ProcessServices {
 public:
  std::string CommandLine() override { return {}; }
  std::optional<std::string> GetEnvironment(std::string_view) override { return std::nullopt; }
  void RemoveFromTaskList() override {}
  void WaitForTimer(std::chrono::milliseconds) override {}
  void MessageBox(std::string_view, std::string_view) override {}
  void ProcessPendingEvents() override {}
  void AppendLineToFile(const std::string&, std::string_view line) override {
    std::fprintf(stderr, "log: %.*s\n", static_cast<int>(line.size()), line.data());
  }
  char PathSeparator() const override { return '/'; }
  [[noreturn]] void EndProcessNow() override { std::abort(); }
};

class NoConsole : public ConsoleChannel {
 public:
  void AddLine(int32_t, std::string_view) override {}
};

class DayClock : public korvane::Clock {
 public:
  LocalTime Now() override { return now; }
  LocalTime now{2003, 2, 14, 9, 5, 30};
};

MachineSnapshot Snapshot(int variant) {
  MachineSnapshot s;
  const std::string v = std::to_string(variant);
  s.Manufacturer = variant ? "Maker " + v : "Dell Inc.";
  s.Model = variant ? "Model " + v : "OptiPlex GX270";
  s.Domain = "corp";
  s.BootDevice = "\\Device\\HarddiskVolume1";
  s.OSCaption = "Microsoft Windows XP Professional";
  s.CSDVersion = variant ? "Service Pack " + v : "Service Pack 2";
  s.OSVersion = "5.1.2600";
  s.Processors[0] = {"Intel(R) Pentium(R) 4 CPU 2.80GHz", variant ? 2793.0 + 200 * variant : 2793.0};
  s.TotalPhysicalMemory = 512 * (variant + 1);
  s.FreePhysicalMemory = 210;
  s.CountryCode = "44";
  s.WindowsDirectory = "C:\\WINDOWS";
  s.BIOSManufacturer = "Dell";
  s.SMBIOSBIOSVersion = variant ? "A0" + v : "A05";
  s.SerialNumber = "7XK2Q1J";
  s.UserName = "CORP\\jsmith";
  s.Drives[2] = {"C:", 38154, 12288, "SYSTEM", "NTFS", "A4B2C3D4"};
  s.Drives[3] = {"D:", variant ? 1000.0 * variant : 950.0, 400, "DATA", variant ? "FAT32" : "NTFS", "1"};
  const std::string sec = "\xC2\xA7";
  for (int i = 0; i < 150; ++i) {
    if (!s.SoftwareList.empty()) s.SoftwareList += '^';
    const bool changed = variant && i % 10 == 0;
    s.SoftwareList += "Program " + std::to_string(i) + sec + (changed ? v : "1.0") + sec + "C:\\P" +
                      sec + "ID";
  }
  s.ServiceList = "Alerter^Computer Browser^DHCP Client^DNS Client^Event Log";
  return s;
}

struct Env {
  NoProcess process;
  NoConsole console;
  DayClock clock;
  std::unique_ptr<DatabaseServer> server = MakeDatabaseServer();
  std::string connectionString;
};

double ScanMs(Env& env, const std::string& computer, const MachineSnapshot& snap) {
  Korvane k(Platform{&env.process, &env.console, &env.clock, env.server.get(), nullptr});
  k.ctx.ComputerName = computer;
  k.ctx.ConnectionString = env.connectionString;
  k.ctx.IPAddress = "192.168.1.20";
  k.ctx.PingOK = true;
  k.snap = snap;
  const auto t0 = std::chrono::steady_clock::now();
  UpdateLastAccess(k);
  UpdateDB(k);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Figures {
  std::vector<double> fresh, same, changed;
};

Figures Measure(Env& env, int scans, const std::string& prefix) {
  Figures f;
  for (int i = 0; i < scans; ++i) f.fresh.push_back(ScanMs(env, prefix + "NEW" + std::to_string(i), Snapshot(0)));
  for (int i = 0; i < scans; ++i) {
    env.clock.now.day = 14 + i % 10;  // a new drive-history entry most scans
    f.same.push_back(ScanMs(env, prefix + "NEW0", Snapshot(0)));
  }
  for (int i = 0; i < scans; ++i) {
    env.clock.now.day = 14 + i % 10;
    f.changed.push_back(ScanMs(env, prefix + "NEW1", Snapshot(1 + i % 2)));
  }
  return f;
}

double Median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

void Row(const char* title, const std::vector<double>& sqlite, const std::vector<double>* pg) {
  if (pg == nullptr) {
    std::printf("%-42s %10.2f\n", title, Median(sqlite));
    return;
  }
  std::printf("%-42s %10.2f %12.2f %8.2fx\n", title, Median(sqlite), Median(*pg), Median(*pg) / Median(sqlite));
}

}  // namespace

int main(int argc, char** argv) {
  int scans = 30;
  std::string dsn = std::getenv("KORVANE_TEST_PG_DSN") ? std::getenv("KORVANE_TEST_PG_DSN") : "";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--pg" && i + 1 < argc) {
      dsn = argv[++i];
    } else {
      scans = std::atoi(a.c_str());
    }
  }
  const fs::path dir = fs::temp_directory_path() / ("korvane-bench-reconcile-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  InstallSchema(dir.string());
  Env env;
  env.connectionString = MakeConnectionString(dir.string());
  const Figures sqlite = Measure(env, scans, "");
  fs::remove_all(dir);

  Figures pg;
  if (!dsn.empty()) {
    env.connectionString = MakeConnectionString(dsn);
    env.clock.now.day = 14;
    pg = Measure(env, scans, "BENCH" + std::to_string(::getpid()) + "_");
  }
  const bool both = !dsn.empty();
  std::printf("median ms per scan (last access + reconciliation), %d scans each\n", scans);
  if (both) {
    std::printf("%-42s %10s %12s %9s\n", "", "SQLite", "PostgreSQL", "ratio");
  } else {
    std::printf("%-42s %10s   (no PostgreSQL DSN given)\n", "", "SQLite");
  }
  Row("new computer (rows created)", sqlite.fresh, both ? &pg.fresh : nullptr);
  Row("known computer, nothing changed", sqlite.same, both ? &pg.same : nullptr);
  Row("known computer, ~12 fields + 15 programs", sqlite.changed, both ? &pg.changed : nullptr);
  return 0;
}

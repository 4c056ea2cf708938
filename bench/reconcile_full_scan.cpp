// Database time of a full scan of one computer (the last-access record and the
// reconciliation, each scan with a pool and connection of its own, as a scanner process
// has), measured in this process with the program's own database layer, side by side on
// SQLite (WAL) and on PostgreSQL through ODBC: a new computer, a known computer whose
// snapshot has not changed, and a known computer with a dozen field changes and 15
// software changes out of 150 programs. Every write is its own committed statement; an
// Update that changes nothing sends none.
//
//   bench_reconcile_full_scan [SCANS] [--pg DSN]     (default: 30 scans; the PostgreSQL
//     column needs a DSN, else KORVANE_TEST_PG_DSN is used when set)
//
// Each kind of scan runs in two ways, taking turns:
// - as the program runs it: the connection is made ahead, on its own thread, while the
//   form's timer runs (the bench waits the timer's interval); the figure is the time the
//   scan then waits on the database;
// - connecting when the first stage needs it: the whole database time, told apart into
//   opening the data source (a file on SQLite; on PostgreSQL a new server process, which
//   a scanner process pays once) and the scan's statements on the open connection.
// Medians are printed. The backends take turns scan by scan; the load average at the
// start is printed with the figures, since on a busy machine every round trip to the
// server waits for a core. To see the statements a scan sends, set
// log_min_duration_statement = 0 on the server.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "app/form.h"
#include "scan/korvane.h"
#include "inventory/db_slots.h"
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

struct Timing {
  double total = 0;    // ms, opening the data source included unless made ahead
  double connect = 0;  // ms spent opening it
};

Timing ScanMs(Env& env, const std::string& computer, const MachineSnapshot& snap, bool ahead) {
  Korvane k(Platform{&env.process, &env.console, &env.clock, env.server.get(), nullptr});
  k.ctx.ComputerName = computer;
  k.ctx.ConnectionString = env.connectionString;
  k.ctx.IPAddress = "192.168.1.20";
  k.ctx.PingOK = true;
  k.snap = snap;
  if (ahead) {
    ConnectAhead(k);
    std::this_thread::sleep_for(kTimer1Interval);
  }
  const auto t0 = std::chrono::steady_clock::now();
  // The scan's first stage would open it; opened here, the pool hands it on and the
  // time it took is told apart.
  k.connections.Open(*env.server, env.connectionString);
  const auto t1 = std::chrono::steady_clock::now();
  UpdateLastAccess(k);
  UpdateDB(k);
  const auto t2 = std::chrono::steady_clock::now();
  if (k.connections.ConnectionsMade() != 1) std::fprintf(stderr, "more than one connection in a scan\n");
  return {std::chrono::duration<double, std::milli>(t2 - t0).count(),
          std::chrono::duration<double, std::milli>(t1 - t0).count()};
}

// The figures of one backend, a row of Timing per scan and kind of scan.
struct Figures {
  std::string connectionString;
  std::string prefix;  // of the computer names, apart from earlier runs on a server
  // [0] connecting when first needed, [1] connected ahead
  std::vector<Timing> fresh[2], same[2], changed[2];
};

// The backends take turns scan by scan, so that a change in the machine's load falls on
// both alike.
void Measure(Env& env, int scans, std::vector<Figures*> backends) {
  // The two ways take turns too: scan i connects ahead when i is odd.
  auto each = [&](auto scan) {
    for (int i = 0; i < 2 * scans; ++i) {
      for (Figures* f : backends) {
        env.connectionString = f->connectionString;
        scan(*f, i, i % 2);
      }
    }
  };
  env.clock.now.day = 14;
  each([&](Figures& f, int i, int ahead) {
    f.fresh[ahead].push_back(ScanMs(env, f.prefix + "NEW" + std::to_string(i), Snapshot(0), ahead));
  });
  each([&](Figures& f, int i, int ahead) {
    env.clock.now.day = 14 + i % 10;  // a new drive-history entry most scans
    f.same[ahead].push_back(ScanMs(env, f.prefix + "NEW0", Snapshot(0), ahead));
  });
  each([&](Figures& f, int i, int ahead) {
    env.clock.now.day = 14 + i % 10;
    f.changed[ahead].push_back(ScanMs(env, f.prefix + "NEW1", Snapshot(1 + i % 2), ahead));
  });
}

double Median(const std::vector<Timing>& timings, double (*part)(const Timing&)) {
  std::vector<double> ms;
  for (const Timing& t : timings) ms.push_back(part(t));
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

void Rows(const char* title, const std::vector<Timing> (&sqlite)[2], const std::vector<Timing> (*pg)[2]) {
  const struct {
    const char* name;
    int ahead;
    double (*part)(const Timing&);
  } parts[] = {{"scan's wait, connected ahead", 1, [](const Timing& t) { return t.total; }},
               {"whole, connecting when needed", 0, [](const Timing& t) { return t.total; }},
               {"  opening the data source", 0, [](const Timing& t) { return t.connect; }},
               {"  the scan's statements", 0, [](const Timing& t) { return t.total - t.connect; }}};
  std::printf("%s\n", title);
  for (const auto& part : parts) {
    const double a = Median(sqlite[part.ahead], part.part);
    if (pg == nullptr) {
      std::printf("  %-40s %10.2f\n", part.name, a);
      continue;
    }
    const double b = Median((*pg)[part.ahead], part.part);
    std::printf("  %-40s %10.2f %12.2f %8.2fx\n", part.name, a, b, b / a);
  }
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
  Figures sqlite{MakeConnectionString(dir.string()), ""};
  Figures pg{dsn.empty() ? "" : MakeConnectionString(dsn), "BENCH" + std::to_string(::getpid()) + "_"};
  const bool both = !dsn.empty();
  double load[3] = {0, 0, 0};
  const int loads = getloadavg(load, 3);
  if (both) {
    Measure(env, scans, {&sqlite, &pg});
  } else {
    Measure(env, scans, {&sqlite});
  }
  fs::remove_all(dir);

  std::printf("median ms per scan (last access + reconciliation), %d scans each way", scans);
  if (loads > 0) std::printf("; load average %.2f at the start", load[0]);
  std::printf("\n");
  if (both) {
    std::printf("  %-40s %10s %12s %9s\n", "", "SQLite", "PostgreSQL", "ratio");
  } else {
    std::printf("  %-40s %10s   (no PostgreSQL DSN given)\n", "", "SQLite");
  }
  Rows("new computer (rows created)", sqlite.fresh, both ? &pg.fresh : nullptr);
  Rows("known computer, nothing changed", sqlite.same, both ? &pg.same : nullptr);
  Rows("known computer, ~12 fields + 15 programs", sqlite.changed, both ? &pg.changed : nullptr);
  return 0;
}

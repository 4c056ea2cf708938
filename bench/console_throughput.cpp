// Scan throughput of korvane-console: a generated lab of 1,000 computers whose every
// target call waits (latencyMs), scanned into a fresh SQLite inventory at several values
// of --jobs. Each figure is set beside the limit the latencies allow, jobs divided by the
// time one scan takes on its own (measured on a sample run with --jobs 1), so the table
// shows where waiting on the targets stops being the limit and the machine's processors
// (scanner start-up, SQLite writes) take over.
//
// With --pg DSN every value of --jobs is run a second time into that PostgreSQL
// inventory, emptied before each run (so give it a database of its own), beside SQLite.
//
//   bench_console_throughput [--computers N] [--sample N] [--latency K=MS,...] [--pg DSN] [JOBS...]
//     defaults: 1000 computers, a sample of 20, jobs 8 16 32 64
// KORVANE_BENCH_KEEP=1 keeps the lab and the inventories and names their directory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/db/database_server.h"
#include "scan/scan_context.h"

namespace fs = std::filesystem;

namespace {

const std::string kConsole = std::string(KORVANE_BIN_DIR) + "/korvane-console";

struct Run {
  double seconds = 0;
  int exitCode = -1;
  std::string output;
  double cpuSeconds = 0;  // user + system of the console and all its scanners
};

// Runs the console with its output in a file; wall time measured around it.
Run RunConsole(const std::vector<std::string>& args, const fs::path& outputFile, const std::string& temp) {
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  const auto start = std::chrono::steady_clock::now();
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    FILE* out = std::freopen(outputFile.c_str(), "w", stdout);
    (void)out;
    setenv("Temp", temp.c_str(), 1);
    std::vector<std::string> argv = {kConsole};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> p;
    for (auto& a : argv) p.push_back(a.data());
    p.push_back(nullptr);
    execv(p[0], p.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  run.cpuSeconds = secs(after.ru_utime) - secs(before.ru_utime) + secs(after.ru_stime) - secs(before.ru_stime);
  std::ifstream in(outputFile);
  std::stringstream text;
  text << in.rdbuf();
  run.output = text.str();
  return run;
}

std::string CountsLine(const std::string& output) {
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(" scans: ") != std::string::npos) return line;
  }
  return "?";
}

// Empties the five tables, so that every run scans new computers as on SQLite.
void EmptyInventory(const std::string& dsn) {
  auto connection = korvane::MakeDatabaseServer()->Open(korvane::MakeConnectionString(dsn));
  for (const char* table : {"Asset", "Software", "Services", "LastAccess", "DriveHistory"}) {
    connection->Execute(std::string("DELETE FROM ") + table);
  }
}

void Fail(const std::string& what, const Run& run) {
  std::fprintf(stderr, "%s failed (exit %d):\n%s\n", what.c_str(), run.exitCode, run.output.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  int computers = 1000;
  int sample = 20;
  std::string latency = "echo=1,wmiConnect=100,wmiQuery=20,registry=1,services=20,logons=10,shares=10";
  std::vector<int> jobs;
  std::string pg;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--computers" && i + 1 < argc) {
      computers = std::atoi(argv[++i]);
    } else if (a == "--sample" && i + 1 < argc) {
      sample = std::atoi(argv[++i]);
    } else if (a == "--latency" && i + 1 < argc) {
      latency = argv[++i];
    } else if (a == "--pg" && i + 1 < argc) {
      pg = argv[++i];
    } else {
      jobs.push_back(std::atoi(a.c_str()));
    }
  }
  if (jobs.empty()) jobs = {8, 16, 32, 64};
  if (!fs::exists(kConsole)) {
    std::fprintf(stderr, "no %s: build korvane-console first\n", kConsole.c_str());
    return 1;
  }

  char pattern[] = "/tmp/korvane-bench-console-XXXXXX";
  const fs::path dir = mkdtemp(pattern);
  const std::string temp = dir.string();
  const fs::path lab = dir / "lab";
  const fs::path sampleLab = dir / "sample-lab";

  Run made = RunConsole({"lab-create", lab.string(), "--computers", std::to_string(computers), "--seed", "1",
                         "--latency", latency},
                        dir / "lab-create.txt", temp);
  if (made.exitCode != 0) Fail("lab-create", made);
  // The sample: computers spread evenly over the lab, so that its mix of large and small,
  // silent and refusing computers is the lab's.
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(lab)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  fs::create_directories(sampleLab);
  for (int i = 0; i < sample; ++i) {
    const fs::path& file = files[static_cast<std::size_t>(i) * files.size() / static_cast<std::size_t>(sample)];
    fs::copy_file(file, sampleLab / file.filename());
  }
  std::printf("lab: %d computers, latencyMs %s\n", computers, latency.c_str());

  // One scan at a time: the time one scan takes when only the latencies hold it up.
  Run init = RunConsole({"init-db", (dir / "db-sample").string()}, dir / "init.txt", temp);
  if (init.exitCode != 0) Fail("init-db", init);
  const Run serial = RunConsole({"scan", "--db", (dir / "db-sample").string(), "--lab", sampleLab.string(), "--jobs", "1",
                                 "--timeout", "600", "all"},
                                dir / "scan-sample.txt", temp);
  const double perScan = serial.seconds / sample;
  std::printf("one scan alone: %.3f s wall, %.3f s processor (mean of %d; %s)\n", perScan, serial.cpuSeconds / sample,
              sample, CountsLine(serial.output).c_str());
  const double cpuLimit = static_cast<double>(sysconf(_SC_NPROCESSORS_ONLN)) / (serial.cpuSeconds / sample);
  std::printf("processor limit: %.1f scans/s (%ld processors)\n\n", cpuLimit, sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("%6s %-10s %10s %12s %16s %10s  %s\n", "jobs", "backend", "elapsed s", "scans/s", "latency limit",
              "of limit", "outcomes");

  for (int j : jobs) {
    const fs::path db = dir / ("db-jobs" + std::to_string(j));
    init = RunConsole({"init-db", db.string()}, dir / "init.txt", temp);
    if (init.exitCode != 0) Fail("init-db", init);
    const double limit = j / perScan;
    auto report = [&](const char* backend, const Run& run) {
      const double rate = computers / run.seconds;
      std::printf("%6d %-10s %10.1f %12.2f %16.2f %9.0f%%  %s\n", j, backend, run.seconds, rate, limit,
                  100.0 * rate / limit, CountsLine(run.output).c_str());
      std::fflush(stdout);
    };
    report("SQLite", RunConsole({"scan", "--db", db.string(), "--lab", lab.string(), "--jobs", std::to_string(j),
                                 "--timeout", "600", "all"},
                                dir / ("scan-jobs" + std::to_string(j) + ".txt"), temp));
    if (!pg.empty()) {
      EmptyInventory(pg);
      report("PostgreSQL", RunConsole({"scan", "--db", pg, "--lab", lab.string(), "--jobs", std::to_string(j),
                                       "--timeout", "600", "all"},
                                      dir / ("scan-pg-jobs" + std::to_string(j) + ".txt"), temp));
    }
  }
  if (std::getenv("KORVANE_BENCH_KEEP") != nullptr) {
    std::printf("\nkept in %s\n", dir.c_str());
  } else {
    fs::remove_all(dir);
  }
  return 0;
}

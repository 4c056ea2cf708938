// What the simulated lab costs a scanner process: opening a lab of 1,000 and 10,000
// computers and resolving one computer by its file name (one file read), then by an
// alias (every file read once), and a full round of the calls a scan makes. The lab is
// written with the lab's own JSON writer, each computer with 60 uninstall keys.
//
//   bench_lab_open [COMPUTERS...]     (default: 1000 10000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lab/model/json.h"
#include "lab/simulator/lab.h"

namespace fs = std::filesystem;
using korvane::Json;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Json MakeComputer(int n) {
  Json keys = Json::MakeObject();
  keys.Set("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion",
           Json::MakeObject().Set("CurrentVersion", "5.1").Set("CurrentBuildNumber", "2600"));
  for (int i = 0; i < 60; ++i) {
    keys.Set("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product" +
                 std::to_string(i),
             Json::MakeObject()
                 .Set("DisplayName", "Product " + std::to_string(i))
                 .Set("DisplayVersion", "1.0." + std::to_string(i))
                 .Set("UninstallString", Json::MakeObject().Set("type", "REG_EXPAND_SZ").Set("data", "MsiExec.exe /X")));
  }
  Json services = Json::MakeArray();
  for (int i = 0; i < 40; ++i) {
    services.Push(Json::MakeObject().Set("name", "Svc" + std::to_string(i)).Set("display", "Service " + std::to_string(i)));
  }
  Json computer = Json::MakeObject();
  computer.Set("aliases", Json::MakeArray({"ws" + std::to_string(n) + ".corp.example"}))
      .Set("wmi", Json::MakeObject().Set("classes", Json::MakeObject().Set(
                      "Win32_ComputerSystem",
                      Json::MakeArray({Json::MakeObject().Set("Name", "PC-" + std::to_string(n))
                                           .Set("TotalPhysicalMemory", "536281088")}))))
      .Set("registry", Json::MakeObject().Set("keys", keys))
      .Set("services", Json::MakeObject().Set("list", services))
      .Set("logons", Json::MakeObject().Set("entries", Json::MakeArray({Json::MakeObject().Set("user", "jsmith").Set("domain", "CORP")})))
      .Set("shares", Json::MakeObject().Set("C$", Json::MakeObject().Set("total", int64_t{40007729152}).Set("free", int64_t{12884901888})));
  return computer;
}

void Run(int computers) {
  const fs::path dir = fs::temp_directory_path() / ("korvane-bench-lab-" + std::to_string(computers));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const auto writeStart = Clock::now();
  std::size_t bytes = 0;
  for (int n = 0; n < computers; ++n) {
    const std::string text = korvane::Dump(MakeComputer(n), true);
    bytes += text.size();
    std::ofstream(dir / ("WS" + std::to_string(n) + ".json")) << text;
  }
  std::printf("%6d computers, %zu KB of lab files written in %.0f ms\n", computers, bytes / 1024,
              MillisecondsSince(writeStart));

  std::ostringstream diagnostics;
  auto start = Clock::now();
  auto lab = korvane::OpenLab(dir.string(), diagnostics);
  std::printf("  open                         %8.2f ms\n", MillisecondsSince(start));

  const std::string middle = "WS" + std::to_string(computers / 2);
  start = Clock::now();
  const bool resolved = lab->Echo().Resolve(middle).has_value();
  std::printf("  resolve by file name         %8.2f ms%s\n", MillisecondsSince(start), resolved ? "" : " (FAILED)");

  start = Clock::now();
  std::unique_ptr<korvane::RegistryKey> root, key;
  lab->Registry().Connect(middle, korvane::kHkeyLocalMachine, root);
  root->OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, 8, key);
  std::string name;
  int subkeys = 0;
  while (key->EnumKey(static_cast<uint32_t>(subkeys), name, 256) == 0) {
    std::unique_ptr<korvane::RegistryKey> product;
    root->OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name, 0, 0x3F, product);
    uint32_t type = 0, size = 0;
    product->QueryValue("DisplayName", type, nullptr, size);
    ++subkeys;
  }
  std::printf("  %d uninstall keys walked     %8.2f ms\n", subkeys, MillisecondsSince(start));

  start = Clock::now();
  const bool byWmiName = lab->Echo().Resolve("pc-" + std::to_string(computers / 2)).has_value() &&
                         lab->Echo().Resolve("PC-" + std::to_string(computers / 2)).has_value();
  std::printf("  resolve by own WMI name x2   %8.2f ms%s\n", MillisecondsSince(start), byWmiName ? "" : " (FAILED)");

  start = Clock::now();
  const bool byAlias = lab->Echo().Resolve("ws" + std::to_string(computers - 1) + ".corp.example").has_value();
  std::printf("  resolve by alias (reads all) %8.2f ms%s\n", MillisecondsSince(start), byAlias ? "" : " (FAILED)");
  if (!diagnostics.str().empty()) std::printf("  diagnostics: %s", diagnostics.str().c_str());
  fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};
  for (int size : sizes) Run(size);
  return 0;
}

// What the simulated lab costs a scanner process: opening a lab of 1,000 and 10,000
// computers and resolving one computer by its file name (one file read), then by an
// alias (every file read once), and a full round of the calls a scan makes. The lab is
// written with the lab's own writer, each computer with 60 uninstall keys. Then one
// computer file with 20,000 uninstall keys: read, one key found by name, written back.
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

#include "lab/model/lab_computer.h"
#include "lab/model/lab_keys.h"
#include "lab/simulator/lab.h"

namespace fs = std::filesystem;
namespace lab = korvane::lab;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

lab::LabComputer MakeComputer(int n, int programs) {
  lab::LabComputer c;
  c.fileName = "WS" + std::to_string(n);
  c.aliases = {"ws" + std::to_string(n) + ".corp.example"};
  c.address = lab::DerivedAddress(c.fileName);
  c.wmi.emplace().Class("Win32_ComputerSystem").instances.push_back(
      lab::WmiInstance{}.Set("Name", "PC-" + std::to_string(n)).Set("TotalPhysicalMemory", "536281088"));
  lab::RegistryConfig& registry = c.registry.emplace();
  lab::RegistryNode& current = registry.Key(lab::keys::kCurrentVersionKey);
  current.SetValue(lab::RegistryValue::Text("CurrentVersion", "5.1"));
  current.SetValue(lab::RegistryValue::Text("CurrentBuildNumber", "2600"));
  lab::RegistryNode& uninstall = registry.Key(lab::keys::kUninstallKey);
  for (int i = 0; i < programs; ++i) {
    lab::RegistryNode& product = uninstall.Subkey("Product" + std::to_string(i));
    product.SetValue(lab::RegistryValue::Text("DisplayName", "Product " + std::to_string(i)));
    product.SetValue(lab::RegistryValue::Text("DisplayVersion", "1.0." + std::to_string(i)));
    product.SetValue(lab::RegistryValue::Text("UninstallString", "MsiExec.exe /X", korvane::kRegExpandSz));
  }
  lab::ServicesConfig& services = c.services.emplace();
  for (int i = 0; i < 40; ++i) {
    services.list.push_back(lab::LabService{"Svc" + std::to_string(i), "Service " + std::to_string(i)});
  }
  c.logons.emplace().entries.push_back(korvane::WkstaUserInfo1{"jsmith", "CORP", "", ""});
  c.shares["c$"] = lab::ShareSpace{"C$", 40007729152, 12884901888, 12884901888};
  return c;
}

void BigFile(int programs) {
  const std::string text = lab::DumpLabJson(lab::WriteComputer(MakeComputer(0, programs)), true);
  std::printf("one file of %d uninstall keys (%zu KB)\n", programs, text.size() / 1024);
  auto start = Clock::now();
  std::string problem;
  const auto computer = lab::ReadComputerFile("WS0", text, problem);
  std::printf("  read                         %8.2f ms%s\n", MillisecondsSince(start), computer ? "" : " (FAILED)");
  if (!computer) return;
  start = Clock::now();
  const lab::RegistryNode* uninstall = computer->registry->Find(lab::keys::kUninstallKey);
  const bool found = uninstall != nullptr && uninstall->FindSubkey("product" + std::to_string(programs - 1)) != nullptr;
  std::printf("  last key found by name       %8.4f ms%s\n", MillisecondsSince(start), found ? "" : " (FAILED)");
  start = Clock::now();
  const std::size_t written = lab::DumpLabJson(lab::WriteComputer(*computer), true).size();
  std::printf("  written back (%zu KB)        %8.2f ms\n", written / 1024, MillisecondsSince(start));
}

void Run(int computers) {
  const fs::path dir = fs::temp_directory_path() / ("korvane-bench-lab-" + std::to_string(computers));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const auto writeStart = Clock::now();
  std::size_t bytes = 0;
  for (int n = 0; n < computers; ++n) {
    const std::string text = lab::DumpLabJson(lab::WriteComputer(MakeComputer(n, 60)), true);
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
  BigFile(20000);
  return 0;
}

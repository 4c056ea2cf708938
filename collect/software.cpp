#include "collect/software.h"

#include <string>

#include "scan/conversions.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/progress.h"
#include "formats/software_list_text.h"
#include "scan/time_text.h"
#include "collect/remote_registry.h"
#include "platform/runtime_error.h"
#include "platform/target.h"

namespace korvane {

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string UninstallEntry(Korvane& k, const std::string& path) {
  auto read = [&](const char* value) {
    return ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine, path, value);
  };
  // Read in this order, one value after the other.
  const std::string program = read("DisplayName");
  const std::string version = read("DisplayVersion");
  const std::string location = read("InstallLocation");
  const std::string productId = read("ProductID");
  return SoftwareItemText(program, version, location, productId);
}

void CollectSoftware(Korvane& k) {
  Progress(k, progress::Item(progress::kSoftwareStarted));
  EnumRemoteSubkeys(k, k.ctx.ComputerName, kHkeyLocalMachine, kUninstallKey, k.List1);
  Progress(k, progress::Item(progress::kSoftwareListed));

  const long long n = static_cast<long long>(k.List1.size());
  // Integer operands: exactly one subkey divides by zero, a run-time error.
  if (n - 1 == 0) throw StandardError(errors::kDivisionByZero);
  progress::SoftwareRun run(n);

  for (std::size_t i = 0; i < k.List1.size(); ++i) {
    if (const std::optional<double> value = run.Next()) Progress(k, LocaleNumberText(k, *value));
    const std::string path = std::string(kUninstallKey) + "\\" + k.List1[i];
    const std::string entry = UninstallEntry(k, path);
    const std::string uninstall =
        ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine, path, "UninstallString");
    if (!entry.empty() && !uninstall.empty()) k.List2.push_back(entry);
  }

  const std::string joined = JoinList(k.List2);

  if (!joined.empty()) {
    k.snap.SoftwareList = joined;
  } else {
    // No run-time error happened here, so the current error's description is empty.
    LogError(k, "Unable to access remote registry", k.ctx.ComputerName + ":");
  }
}

}  // namespace

void GetSoftware(Korvane& k) {
  try {
    CollectSoftware(k);
  } catch (const RuntimeError& e) {
    LogError(k, "Error listing software", k.ctx.ComputerName + ":" + e.description());
    Progress(k, progress::kComplete);
  }
}

}  // namespace korvane

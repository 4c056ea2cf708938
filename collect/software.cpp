#include "collect/software.h"

#include <string>

#include "scan/conversions.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/progress.h"
#include "scan/time_text.h"
#include "collect/remote_registry.h"
#include "platform/runtime_error.h"
#include "platform/target.h"

namespace korvane {

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kSectionSign = "\xC2\xA7";

// The running progress value climbs from 50 towards 90 over the entries; a line goes out
// each time it has gained a whole point on the last reported one.
struct RunningProgress {
  double step = 0;
  double running = 50;
  double last = 50;
};

std::string UninstallEntry(Korvane& k, const std::string& path) {
  auto read = [&](const char* value) {
    return ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine, path, value);
  };
  std::string entry = read("DisplayName");
  entry += kSectionSign;
  entry += read("DisplayVersion");
  entry += kSectionSign;
  entry += read("InstallLocation");
  entry += kSectionSign;
  entry += read("ProductID");
  return entry;
}

void CollectSoftware(Korvane& k) {
  Progress(k, "35");
  EnumRemoteSubkeys(k, k.ctx.ComputerName, kHkeyLocalMachine, kUninstallKey, k.List1);
  Progress(k, "40");

  const long long n = static_cast<long long>(k.List1.size());
  // Integer operands: exactly one subkey divides by zero, a run-time error.
  if (n - 1 == 0) throw StandardError(errors::kDivisionByZero);
  RunningProgress progress;
  progress.step = 40.0 / static_cast<double>(n - 1);

  for (std::size_t i = 0; i < k.List1.size(); ++i) {
    progress.running += progress.step;
    if (progress.running - progress.last >= 1) {
      Progress(k, LocaleNumberText(k, progress.running));
      progress.last += 1;
    }
    const std::string path = std::string(kUninstallKey) + "\\" + k.List1[i];
    const std::string entry = UninstallEntry(k, path);
    const std::string uninstall =
        ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine, path, "UninstallString");
    if (!entry.empty() && !uninstall.empty()) k.List2.push_back(entry);
  }

  std::string joined;
  for (const std::string& item : k.List2) {
    joined += item;
    joined += '^';
  }
  if (!joined.empty()) joined.pop_back();

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
    Progress(k, "Complete");
  }
}

}  // namespace korvane

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
// Only a 64-bit Windows has this key, seen from its 64-bit view: the store of its 32-bit
// view. On a 32-bit Windows the view flags are ignored, so asking it for a 32-bit view
// would list its one view twice.
constexpr const char* kWow64Key = "Software\\Wow6432Node";
// The 64-bit view: a 64-bit scanner's own, which it asks for without a flag, as it always
// did (some servers refuse the flag); a 32-bit build has to name it.
constexpr uint32_t kView64 = sizeof(void*) == 8 ? 0 : kKeyWow64View64;

std::string UninstallEntry(Korvane& k, const std::string& path, uint32_t view) {
  auto read = [&](const char* value) {
    return ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine, path, value, view);
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
  // The 64-bit view's entries, then the 32-bit view's, in one list: the running progress
  // covers both, and the items from firstOf32 on are read in the 32-bit view. A product
  // listed in both views is listed twice.
  EnumRemoteSubkeys(k, k.ctx.ComputerName, kHkeyLocalMachine, kUninstallKey, k.List1, kView64);
  const std::size_t firstOf32 = k.List1.size();
  if (RemoteKeyExists(k, k.ctx.ComputerName, kHkeyLocalMachine, kWow64Key, kView64)) {
    EnumRemoteSubkeys(k, k.ctx.ComputerName, kHkeyLocalMachine, kUninstallKey, k.List1, kKeyWow64View32);
  }
  Progress(k, progress::Item(progress::kSoftwareListed));

  const long long n = static_cast<long long>(k.List1.size());
  // Integer operands: exactly one subkey (both views together) divides by zero, a run-time error.
  if (n - 1 == 0) throw StandardError(errors::kDivisionByZero);
  progress::SoftwareRun run(n);

  for (std::size_t i = 0; i < k.List1.size(); ++i) {
    if (const std::optional<double> value = run.Next()) Progress(k, LocaleNumberText(k, *value));
    const uint32_t view = i < firstOf32 ? kView64 : kKeyWow64View32;
    const std::string path = std::string(kUninstallKey) + "\\" + k.List1[i];
    const std::string entry = UninstallEntry(k, path, view);
    const std::string uninstall =
        ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine, path, "UninstallString", view);
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

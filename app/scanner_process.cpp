#include "app/scanner_process.h"

#include <iostream>
#include <memory>

#include "app/form.h"
#include "scan/korvane.h"
#include "lab/simulator/lab.h"
#include "platform/version.h"

namespace korvane {

int RunScannerProcess(SystemPlatform& system) {
  Platform platform = system.Get();
  // No console starts a scanner with this, so it cannot be a scan's command line.
  if (platform.process->CommandLine() == "--version") {
    std::cout << "korvane " << VersionText() << std::endl;
    return 0;
  }

  // KORVANE_LAB names a simulated network that answers every call to a target computer.
  std::unique_ptr<TargetNetwork> lab;
  if (auto dir = platform.process->GetEnvironment("KORVANE_LAB"); dir && !dir->empty()) {
    lab = OpenLab(*dir, std::cerr);
    platform.targets = lab.get();
  }

  auto scan = std::make_unique<Korvane>(platform);
  return RunKorvane(*scan);
}

}  // namespace korvane

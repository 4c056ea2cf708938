// Windows entry point of the scanner: one process scans one computer. The process has
// no window of its own; the command line is read from the system (GetCommandLineW), so
// nothing is taken from WinMain's arguments.
#include <iostream>
#include <memory>

#include "app/form.h"
#include "app/korvane.h"
#include "platform/lab/lab.h"
#include "platform/platform.h"
#include "platform/win32/windows_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::unique_ptr<korvane::SystemPlatform> system = korvane::MakeSystemPlatform(0, nullptr);
  korvane::Platform platform = system->Get();

  // KORVANE_LAB names a simulated network that answers every call to a target computer.
  std::unique_ptr<korvane::TargetNetwork> lab;
  if (auto dir = platform.process->GetEnvironment("KORVANE_LAB"); dir && !dir->empty()) {
    lab = korvane::OpenLab(*dir, std::cerr);
    platform.targets = lab.get();
  }

  auto scan = std::make_unique<korvane::Korvane>(platform);
  return korvane::RunKorvane(*scan);
}

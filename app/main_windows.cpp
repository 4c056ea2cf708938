// Windows entry point of the scanner: one process scans one computer. The process has
// no window of its own; the command line is read from the system (GetCommandLineW), so
// nothing is taken from WinMain's arguments.
#include <cstdio>

#include "app/scanner_process.h"
#include "platform/win32/process.h"
#include "platform/win32/windows_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // A program without a console of its own has no standard output when started from a
  // command prompt: --version writes to the prompt's console then, to be seen there.
  if (korvane::win32::ArgumentText(GetCommandLineW()) == L"--version") {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
      if (std::freopen("CONOUT$", "w", stdout) == nullptr) return 1;
    }
  }
  auto system = korvane::MakeSystemPlatform(0, nullptr);
  return korvane::RunScannerProcess(*system);
}

// Windows entry point of the scanner: one process scans one computer. The process has
// no window of its own; the command line is read from the system (GetCommandLineW), so
// nothing is taken from WinMain's arguments.
#include "app/scanner_process.h"
#include "platform/win32/windows_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  auto system = korvane::MakeSystemPlatform(0, nullptr);
  return korvane::RunScannerProcess(*system);
}

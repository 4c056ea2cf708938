// Entry point of the scanner on Linux: one process scans one computer.
#include "app/scanner_process.h"

int main(int argc, char** argv) {
  auto system = korvane::MakeSystemPlatform(argc, argv);
  return korvane::RunScannerProcess(*system);
}

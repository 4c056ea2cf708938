// Where the scanner is on Linux: next to the console, as "korvane".
#include <filesystem>

#include "console/system/scanner_start.h"

namespace korvane::console {

std::string OwnProgramDirectory() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return ".";
  return self.parent_path().string();
}

std::string ScannerProgramName() { return "korvane"; }

}  // namespace korvane::console

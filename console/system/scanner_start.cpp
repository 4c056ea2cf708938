#include "console/system/scanner_start.h"

namespace korvane::console {

std::string ScannerCommandLine(long long channel, const std::string& computer,
                               const std::string& source, bool userOnly) {
  return std::to_string(channel) + "," + computer + "," + source + "," + (userOnly ? "-u" : "");
}

}  // namespace korvane::console

#include "scan/error_log.h"

#include "scan/korvane.h"
#include "scan/time_text.h"

namespace korvane {

std::string LogFilePath(const Korvane& k) {
  std::string path = k.ctx.TempDir;
  path += k.platform.process->PathSeparator();
  path += kLogFileName;
  return path;
}

void LogError(Korvane& k, const std::string& first, const std::string& second) {
  std::string line = LogDateTime(k);
  line += ',';
  line += first;
  line += ',';
  line += second;
  k.platform.process->AppendLineToFile(LogFilePath(k), line);
}

}  // namespace korvane

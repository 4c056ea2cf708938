#include "scan/progress.h"

#include "scan/korvane.h"

namespace korvane {

void ProgRep(Korvane& k, const std::string& line) {
  k.platform.console->AddLine(k.ctx.ConsoleListBox, line);
}

void Progress(Korvane& k, std::string_view item) {
  std::string line = k.ctx.ComputerName;
  line += ',';
  line += item;
  ProgRep(k, line);
}

}  // namespace korvane

namespace korvane::progress {

std::string Item(int value) { return std::to_string(value); }

std::optional<double> SoftwareRun::Next() {
  running_ += step_;
  if (running_ - last_ >= 1) {
    last_ += 1;
    return running_;
  }
  return std::nullopt;
}

}  // namespace korvane::progress

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

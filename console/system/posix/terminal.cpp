#include "console/system/this_computer.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace korvane::console {

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace korvane::console

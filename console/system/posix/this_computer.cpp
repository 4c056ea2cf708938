#include "console/system/this_computer.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <thread>

namespace korvane::console {

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

unsigned ProcessorCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}

}  // namespace korvane::console

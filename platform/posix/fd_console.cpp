#include "platform/posix/fd_console.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

namespace korvane {

FdConsoleChannel::FdConsoleChannel() {
  // A console that went away must cost a line, not the scan: writes to a pipe without
  // reader then fail with EPIPE instead of killing the process.
  std::signal(SIGPIPE, SIG_IGN);
}

void FdConsoleChannel::AddLine(int32_t listBoxHandle, std::string_view line) {
  // Handle 0 reaches no list box; standard input is never written to.
  if (listBoxHandle <= 0) return;
  std::string whole(line);
  whole += '\n';
  const char* p = whole.data();
  std::size_t left = whole.size();
  while (left > 0) {
    const ssize_t n = ::write(listBoxHandle, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // not open, reader gone, or any other failure: the line is lost
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace korvane

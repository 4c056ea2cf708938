#include "platform/posix/fd_console.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

namespace korvane {

namespace {

// Where /proc is not mounted, descriptors are tried one by one up to this number.
constexpr int kHighestDescriptorTried = 1023;

template <typename Note>
void ForEachOpenDescriptor(Note note) {
  if (DIR* fds = ::opendir("/proc/self/fd")) {
    const int own = ::dirfd(fds);
    while (const dirent* entry = ::readdir(fds)) {
      char* end = nullptr;
      const long fd = std::strtol(entry->d_name, &end, 10);
      if (end == entry->d_name || *end != '\0' || fd == own) continue;
      note(static_cast<int>(fd));
    }
    ::closedir(fds);
    return;
  }
  for (int fd = 0; fd <= kHighestDescriptorTried; ++fd) note(fd);
}

}  // namespace

FdConsoleChannel::FdConsoleChannel() {
  // A console that went away must cost a line, not the scan: writes to a pipe without
  // reader then fail with EPIPE instead of killing the process.
  std::signal(SIGPIPE, SIG_IGN);
  ForEachOpenDescriptor([this](int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) inherited_[fd] = FileIdentity{st.st_dev, st.st_ino};
  });
}

bool FdConsoleChannel::Usable(int descriptor) {
  const auto found = inherited_.find(descriptor);
  struct stat st {};
  if (found == inherited_.end() || ::fstat(descriptor, &st) != 0 || st.st_dev != found->second.device ||
      st.st_ino != found->second.inode) {
    // Once lost, always lost: the number may be reused by a file of our own later.
    if (found != inherited_.end()) inherited_.erase(found);
    return false;
  }
  return true;
}

void FdConsoleChannel::AddLine(int32_t listBoxHandle, std::string_view line) {
  // Handle 0 reaches no list box; standard input is never written to.
  if (listBoxHandle <= 0 || !Usable(listBoxHandle)) return;
  std::string whole(line);
  whole += '\n';
  const char* p = whole.data();
  std::size_t left = whole.size();
  while (left > 0) {
    const ssize_t n = ::write(listBoxHandle, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // reader gone, or any other failure: the line is lost
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace korvane

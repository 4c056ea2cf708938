#include "platform/posix/posix_process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <iostream>
#include <thread>

extern char** environ;

namespace korvane {

PosixProcess::PosixProcess(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine_ += ' ';
    commandLine_ += argv[i];
  }
}

std::string PosixProcess::CommandLine() { return commandLine_; }

std::optional<std::string> FindEnvironmentIgnoringCase(char** environment, std::string_view name) {
  if (environment == nullptr) return std::nullopt;
  for (char** entry = environment; *entry != nullptr; ++entry) {
    const char* text = *entry;
    const char* equals = std::strchr(text, '=');
    if (equals == nullptr) continue;
    const std::string_view key(text, static_cast<std::size_t>(equals - text));
    if (key.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < key.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(key[i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    }
    if (same) return std::string(equals + 1);
  }
  return std::nullopt;
}

std::optional<std::string> PosixProcess::GetEnvironment(std::string_view name) {
  return FindEnvironmentIgnoringCase(environ, name);
}

void PosixProcess::WaitForTimer(std::chrono::milliseconds interval) {
  std::this_thread::sleep_for(interval);
}

void PosixProcess::MessageBox(std::string_view text, std::string_view title) {
  std::string line(title);
  line += ": ";
  line += text;
  line += '\n';
  // Nobody can answer a message box here; the text is shown and the scan goes on.
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

void PosixProcess::AppendLineToFile(const std::string& path, std::string_view line) {
  // One write of the whole line to a file opened for appending: the kernel appends it
  // atomically with respect to other appenders, so concurrent scanners never tear lines.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string whole(line);
  whole += '\n';
  [[maybe_unused]] ssize_t n = ::write(fd, whole.data(), whole.size());
  ::close(fd);
}

void PosixProcess::EndProcessNow() { ::_exit(0); }

}  // namespace korvane

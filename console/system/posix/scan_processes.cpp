// Scanner processes on Linux. Each scan gets a pipe whose write end becomes descriptor
// kChannelFd in the child (so field 1 of its command line is that number) and a second
// pipe that collects its standard output and error; nothing else of the console is
// inherited. Each scan runs in a process group of its own so that a time-out can end it
// together with anything it started. Every descriptor is non-blocking and read from a
// single poll over all scans: a scan that stalls or floods cannot hold up the others.
// On Linux a scanner is killed by the system when its console ends, however that ends.
#include "console/system/scan_processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace korvane::console {

namespace {

constexpr int kChannelFd = 3;
// Kept of a scanner's own output; the rest is dropped (it only explains a failure).
constexpr std::size_t kOutputLimit = 64 * 1024;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> ChildEnvironment(const ScanStart& start) {
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = Lower(entry.substr(0, entry.find('=')));
    bool replaced = false;
    for (const auto& [key, value] : start.environment) replaced = replaced || Lower(key) == name;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [key, value] : start.environment) env.push_back(key + "=" + value);
  return env;
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A console started with standard input or error closed gets its pipes at those low
// numbers, where the child's own rearranging would overwrite one with another: every
// end the child keeps is moved above the numbers it sets.
void MoveAboveChannel(int& fd) {
  if (fd > kChannelFd) return;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kChannelFd + 1);
  if (moved < 0) throw std::runtime_error(std::strerror(errno));
  ::close(fd);
  fd = moved;
}

struct Scan {
  pid_t pid = -1;
  int channel = -1;  // reading end of the progress pipe
  int output = -1;   // reading end of standard output and error
  std::string pendingLine;
  std::size_t outputKept = 0;
  bool reaped = false;
  int exitCode = -1;
  int signal = 0;
};

class PosixScanProcesses : public ScanProcesses {
 public:
  PosixScanProcesses() {
    // A scanner that dies between our poll and our read must not take us with it.
    ::signal(SIGPIPE, SIG_IGN);
  }

  ~PosixScanProcesses() override {
    for (auto& [id, scan] : scans_) {
      if (!scan.reaped) {
        ::kill(-scan.pid, SIGKILL);
        ::waitpid(scan.pid, nullptr, 0);
      }
      CloseDescriptor(scan.channel);
      CloseDescriptor(scan.output);
    }
  }

  int Start(const ScanStart& start) override {
    int channel[2];
    int output[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
    if (::pipe2(output, O_CLOEXEC) != 0) {
      ::close(channel[0]);
      ::close(channel[1]);
      throw std::runtime_error(std::strerror(errno));
    }
    try {
      for (int* fd : {&channel[0], &channel[1], &output[0], &output[1]}) MoveAboveChannel(*fd);
    } catch (const std::exception&) {
      for (int fd : {channel[0], channel[1], output[0], output[1]}) ::close(fd);
      throw;
    }
    // Everything the child needs is prepared before fork: after it only async-signal-safe
    // calls run.
    std::string commandLine = ScannerCommandLine(kChannelFd, start.computer, start.source,
                                                 start.userOnly);
    std::string program = start.program;
    std::vector<std::string> env = ChildEnvironment(start);
    std::vector<char*> argv = {program.data(), commandLine.data(), nullptr};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t console = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
      const int error = errno;
      for (int fd : {channel[0], channel[1], output[0], output[1]}) ::close(fd);
      throw std::runtime_error(std::strerror(error));
    }
    if (pid == 0) {
#ifdef __linux__
      // The scanner ends with the console, however the console ends (even killed); had
      // the console already ended before this line, the scanner is adopted and stops here.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != console) ::_exit(127);
#else
      (void)console;
#endif
      ::setpgid(0, 0);
      const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
      if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
      ::dup2(output[1], STDOUT_FILENO);
      ::dup2(output[1], STDERR_FILENO);
      if (channel[1] == kChannelFd) {
        ::fcntl(kChannelFd, F_SETFD, 0);
      } else {
        ::dup2(channel[1], kChannelFd);
      }
      // Descriptors the console got from elsewhere (not opened close-on-exec) stay with it.
      ::close_range(kChannelFd + 1, ~0U, 0);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    // Set the group here too, so that a Kill right after Start reaches it.
    ::setpgid(pid, pid);
    ::close(channel[1]);
    ::close(output[1]);
    ::fcntl(channel[0], F_SETFL, ::fcntl(channel[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);
    const int id = nextId_++;
    Scan scan;
    scan.pid = pid;
    scan.channel = channel[0];
    scan.output = output[0];
    scans_.emplace(id, std::move(scan));
    return id;
  }

  std::vector<ScanEvent> Wait(std::chrono::milliseconds wait) override {
    std::vector<ScanEvent> events;
    std::vector<pollfd> fds;
    std::vector<std::pair<int, bool>> owners;  // scan id, is the channel
    bool awaitingExit = false;
    for (auto& [id, scan] : scans_) {
      if (scan.channel >= 0) {
        fds.push_back({scan.channel, POLLIN, 0});
        owners.emplace_back(id, true);
      }
      if (scan.output >= 0) {
        fds.push_back({scan.output, POLLIN, 0});
        owners.emplace_back(id, false);
      }
      if (scan.channel < 0 && scan.output < 0) awaitingExit = true;
    }
    // A scan whose pipes are closed is about to become a zombie; look again soon.
    int timeout = static_cast<int>(wait.count());
    if (awaitingExit) timeout = std::min(timeout, 5);
    if (!fds.empty()) {
      const int ready = ::poll(fds.data(), fds.size(), timeout);
      if (ready > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
          if (fds[i].revents == 0) continue;
          Scan& scan = scans_.at(owners[i].first);
          Drain(owners[i].first, scan, owners[i].second, events);
        }
      }
    } else if (!scans_.empty() && timeout > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
    }
    Reap(events);
    return events;
  }

  void Kill(int id) override {
    auto it = scans_.find(id);
    if (it == scans_.end() || it->second.reaped) return;
    ::kill(-it->second.pid, SIGKILL);
    ::kill(it->second.pid, SIGKILL);
  }

  int Running() const override { return static_cast<int>(scans_.size()); }

 private:
  // Reads what is there now; at end of file the descriptor is closed.
  void Drain(int id, Scan& scan, bool isChannel, std::vector<ScanEvent>& events) {
    int& fd = isChannel ? scan.channel : scan.output;
    char buffer[8192];
    for (;;) {
      if (fd < 0) return;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        const std::string_view got(buffer, static_cast<std::size_t>(n));
        if (isChannel) {
          AddChannelText(id, scan, got, events);
        } else if (scan.outputKept < kOutputLimit) {
          const std::size_t keep = std::min(got.size(), kOutputLimit - scan.outputKept);
          scan.outputKept += keep;
          events.push_back({id, ScanEvent::Kind::Output, std::string(got.substr(0, keep))});
        }
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) return;
      // End of file or a broken pipe: the scanner will say nothing more here.
      if (isChannel && !scan.pendingLine.empty()) {
        events.push_back({id, ScanEvent::Kind::Line, scan.pendingLine});
        scan.pendingLine.clear();
      }
      CloseDescriptor(fd);
      return;
    }
  }

  static void AddChannelText(int id, Scan& scan, std::string_view text,
                             std::vector<ScanEvent>& events) {
    for (char c : text) {
      if (c == '\n') {
        if (!scan.pendingLine.empty() && scan.pendingLine.back() == '\r') scan.pendingLine.pop_back();
        events.push_back({id, ScanEvent::Kind::Line, scan.pendingLine});
        scan.pendingLine.clear();
      } else {
        scan.pendingLine += c;
      }
    }
  }

  void Reap(std::vector<ScanEvent>& events) {
    for (auto it = scans_.begin(); it != scans_.end();) {
      const int id = it->first;
      Scan& scan = it->second;
      if (!scan.reaped) {
        int status = 0;
        const pid_t done = ::waitpid(scan.pid, &status, WNOHANG);
        if (done == scan.pid) {
          scan.reaped = true;
          if (WIFEXITED(status)) scan.exitCode = WEXITSTATUS(status);
          if (WIFSIGNALED(status)) scan.signal = WTERMSIG(status);
        }
      }
      if (scan.reaped) {
        // Whatever is still in the pipes belongs before the end. A descendant that kept
        // a pipe open is not waited for: its group is killed and the pipe dropped.
        if (scan.channel >= 0) Drain(id, scan, true, events);
        if (scan.output >= 0) Drain(id, scan, false, events);
        if (scan.channel >= 0 || scan.output >= 0) ::kill(-scan.pid, SIGKILL);
        if (!scan.pendingLine.empty()) {
          events.push_back({id, ScanEvent::Kind::Line, scan.pendingLine});
          scan.pendingLine.clear();
        }
        CloseDescriptor(scan.channel);
        CloseDescriptor(scan.output);
        ScanEvent ended{id, ScanEvent::Kind::Ended, ""};
        ended.exitCode = scan.exitCode;
        ended.signal = scan.signal;
        events.push_back(std::move(ended));
        it = scans_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::map<int, Scan> scans_;
  int nextId_ = 1;
};

}  // namespace

std::unique_ptr<ScanProcesses> MakeScanProcesses() { return std::make_unique<PosixScanProcesses>(); }

}  // namespace korvane::console

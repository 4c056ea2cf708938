#include "tests/support/run_scanner.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace korvane::test {

namespace {

std::vector<std::string> BuildEnvironment(const ScanOptions& options) {
  std::vector<std::string> removed = {"Temp", "KORVANE_LAB"};
  for (const auto& [name, value] : options.env) removed.push_back(name);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    const auto same = [&](const std::string& r) { return strcasecmp(r.c_str(), name.c_str()) == 0; };
    if (std::ranges::none_of(removed, same)) env.push_back(entry);
  }
  for (const auto& [name, value] : options.env) env.push_back(name + "=" + value);
  if (options.fakeTime) {
    // libfaketime is preloaded into a sanitized binary; its runtime must not insist on
    // coming first.
    env.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0");
  }
  return env;
}

// Everything a descriptor delivers until its end; closes it.
std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(fd);
  return text;
}

}  // namespace

std::string ScanResult::StdoutText() const {
  std::string all;
  for (const auto& line : stdoutLines) all += line + "\n";
  return all;
}

std::string ProgramPath(const std::string& name) { return std::string(KORVANE_BIN_DIR) + "/" + name; }

std::string ScanCommandLine(const std::string& computer, const std::string& server,
                            const std::string& suffix) {
  return std::to_string(kChannelFd) + "," + computer + "," + server + "," + suffix;
}

ScanResult ScanFromLab(const std::string& computer, const std::string& server, const std::string& lab,
                       const std::string& temp, ScanOptions options, const std::string& suffix) {
  options.args = {ScanCommandLine(computer, server, suffix)};
  options.env["Temp"] = temp;
  if (!lab.empty()) options.env["KORVANE_LAB"] = lab;
  return RunScanner(options);
}

std::vector<std::string> LogTexts(const std::filesystem::path& temp) {
  std::vector<std::string> texts;
  for (const std::string& line : ReadLines(temp / "DrevantaAssetDB.log")) texts.push_back(line.substr(line.find(',') + 1));
  return texts;
}

ScanResult RunScanner(const ScanOptions& options) {
  int channel[2] = {-1, -1};
  int out[2];
  int err[2];
  if (pipe2(channel, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  if (options.closeReader) {
    close(channel[0]);
    channel[0] = -1;
  }
  const std::string program = options.program.empty() ? ProgramPath("korvane") : options.program;
  std::vector<std::string> argv = {program};
  if (options.fakeTime) argv = {"faketime", *options.fakeTime, program};
  for (const auto& a : options.args) argv.push_back(a);
  std::vector<std::string> env = BuildEnvironment(options);

  std::vector<char*> argvp;
  for (auto& a : argv) argvp.push_back(a.data());
  argvp.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    if (options.channelFd >= 0) dup2(channel[1], options.channelFd);
    execvpe(argvp[0], argvp.data(), envp.data());
    _exit(127);
  }
  close(channel[1]);
  close(out[1]);
  close(err[1]);

  // Standard output and error are drained beside the channel, so that no pipe fills up.
  std::string outText;
  std::string errText;
  std::jthread outReader([&] { outText = ReadAll(out[0]); });
  std::jthread errReader([&] { errText = ReadAll(err[0]); });
  std::string channelText;
  std::size_t reported = 0;  // channel text already handed to onProgress
  char buffer[4096];
  for (ssize_t n; channel[0] >= 0 && (n = read(channel[0], buffer, sizeof buffer)) > 0;) {
    channelText.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; options.onProgress && (end = channelText.find('\n', reported)) != std::string::npos;
         reported = end + 1) {
      options.onProgress(pid, channelText.substr(reported, end - reported));
    }
  }
  if (channel[0] >= 0) close(channel[0]);
  outReader.join();
  errReader.join();

  int status = 0;
  waitpid(pid, &status, 0);
  ScanResult result;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.progress = SplitLines(channelText);
  result.stdoutLines = SplitLines(outText);
  result.stderrText = errText;
  return result;
}

}  // namespace korvane::test

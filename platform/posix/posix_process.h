// Process services of a Linux process.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace korvane {

class PosixProcess : public ProcessServices {
 public:
  PosixProcess(int argc, char** argv);
  std::string CommandLine() override;
  std::optional<std::string> GetEnvironment(std::string_view name) override;
  void RemoveFromTaskList() override {}
  void WaitForTimer(std::chrono::milliseconds interval) override;
  void MessageBox(std::string_view text, std::string_view title) override;
  void ProcessPendingEvents() override {}
  void AppendLineToFile(const std::string& path, std::string_view line) override;
  char PathSeparator() const override { return '/'; }
  [[noreturn]] void EndProcessNow() override;

 private:
  std::string commandLine_;
};

// Environment lookup with the name matched without regard to letter case; the first
// variable in the environment block that matches wins.
std::optional<std::string> FindEnvironmentIgnoringCase(char** environment, std::string_view name);

}  // namespace korvane

// In-process doubles of the process services, the console channel and the clock, for
// tests that run stages of a scan inside the test process.
#pragma once

#include <strings.h>

#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console_channel.h"
#include "platform/process.h"

namespace korvane::test {

// Keeps the texts of the lines that reach a list box (handle other than 0).
class RecordingConsole : public ConsoleChannel {
 public:
  void AddLine(int32_t listBoxHandle, std::string_view line) override {
    if (listBoxHandle != 0) delivered_.emplace_back(line);
  }
  std::vector<std::string> Delivered() const { return delivered_; }

 private:
  std::vector<std::string> delivered_;
};

class FixedClock : public Clock {
 public:
  LocalTime Now() override { return now; }
  LocalTime now{2003, 2, 14, 9, 5, 30};
};

// Keeps log lines in memory by path; EndProcessNow throws ProcessEndedForTest.
class TestProcess : public ProcessServices {
 public:
  std::string CommandLine() override { return commandLine; }
  std::optional<std::string> GetEnvironment(std::string_view name) override {
    for (const auto& [key, value] : environment) {
      if (strcasecmp(key.c_str(), std::string(name).c_str()) == 0) return value;
    }
    return std::nullopt;
  }
  void RemoveFromTaskList() override {}
  void WaitForTimer(std::chrono::milliseconds) override {}
  void MessageBox(std::string_view, std::string_view) override {}
  void ProcessPendingEvents() override {}
  void AppendLineToFile(const std::string& path, std::string_view line) override {
    files[path].emplace_back(line);
  }
  char PathSeparator() const override { return '\\'; }
  [[noreturn]] void EndProcessNow() override { throw ProcessEndedForTest{}; }

  std::string commandLine;
  std::map<std::string, std::string> environment;  // matched without regard to case
  std::map<std::string, std::vector<std::string>> files;
};

}  // namespace korvane::test

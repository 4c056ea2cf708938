// The batch runner in-process, with a scripted stand-in for the operating system's
// processes: how many run at once, in which order they start, what a time-out and a
// failed start (which real processes hardly ever give) do.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <thread>

#include "console/scan_batch.h"
#include "console/scan_command.h"
#include "tests/support/temp_dir.h"

namespace korvane::console {
namespace {

// Each started scan emits its scripted lines one per Wait, then ends; a computer named
// "STUCK" never ends until killed, one named "NOSTART" cannot be started.
class ScriptedProcesses : public ScanProcesses {
 public:
  int Start(const ScanStart& start) override {
    if (start.computer == "NOSTART") throw std::runtime_error("no such program");
    const int id = next_++;
    Scan s;
    s.computer = start.computer;
    if (start.computer != "STUCK") {
      s.pending = {start.computer + ",2", start.computer + ",4", start.computer + ",100", start.computer + ",Complete"};
    } else {
      s.pending = {start.computer + ",2"};
    }
    scans_[id] = s;
    started.push_back(start.computer);
    maxRunning = std::max(maxRunning, static_cast<int>(scans_.size()));
    environment = start.environment;
    return id;
  }

  std::vector<ScanEvent> Wait(std::chrono::milliseconds wait) override {
    std::vector<ScanEvent> events;
    for (auto it = scans_.begin(); it != scans_.end();) {
      Scan& s = it->second;
      if (!s.pending.empty()) {
        events.push_back({it->first, ScanEvent::Kind::Line, s.pending.front()});
        s.pending.pop_front();
        ++it;
      } else if (s.killed || s.computer != "STUCK") {
        ScanEvent ended{it->first, ScanEvent::Kind::Ended, ""};
        ended.exitCode = s.killed ? -1 : 0;
        ended.signal = s.killed ? 9 : 0;
        events.push_back(ended);
        it = scans_.erase(it);
      } else {
        ++it;
      }
    }
    if (events.empty()) std::this_thread::sleep_for(std::min(wait, std::chrono::milliseconds(5)));
    return events;
  }

  void Kill(int scan) override {
    scans_.at(scan).killed = true;
    killed.push_back(scans_.at(scan).computer);
  }

  int Running() const override { return static_cast<int>(scans_.size()); }

  std::vector<std::string> started;
  std::vector<std::string> killed;
  int maxRunning = 0;
  std::vector<std::pair<std::string, std::string>> environment;

 private:
  struct Scan {
    std::string computer;
    std::deque<std::string> pending;
    bool killed = false;
  };
  std::map<int, Scan> scans_;
  int next_ = 1;
};

class CountingObserver : public BatchObserver {
 public:
  void ScanStarted(const ScanRecord&) override { ++started; }
  void ScanLine(const ScanRecord&, const std::string&) override { ++lines; }
  void ScanEnded(const ScanRecord& r) override { ended.push_back(r.computer); }
  int started = 0;
  int lines = 0;
  std::vector<std::string> ended;
};

TEST(ConsoleBatch, AtMostJobsAtOnceInOrderWithTimeOutsAndFailedStarts) {
  ScriptedProcesses processes;
  CountingObserver observer;
  BatchSettings settings;
  settings.jobs = 3;
  settings.timeout = std::chrono::milliseconds(200);
  settings.environment = {{"Temp", "/tmp/x"}};
  const std::vector<std::string> computers = {"A", "B", "STUCK", "C", "NOSTART", "D", "E", "F"};
  const std::vector<ScanRecord> records = RunBatch(processes, settings, computers, observer);

  ASSERT_EQ(records.size(), computers.size());
  EXPECT_EQ(processes.maxRunning, 3);
  EXPECT_EQ(processes.started, (std::vector<std::string>{"A", "B", "STUCK", "C", "D", "E", "F"}));
  EXPECT_EQ(processes.killed, std::vector<std::string>{"STUCK"});
  EXPECT_EQ(processes.environment, settings.environment);
  EXPECT_EQ(observer.started, 8);
  EXPECT_EQ(observer.ended.size(), 8u);
  for (std::size_t i = 0; i < computers.size(); ++i) {
    const ScanRecord& r = records[i];
    EXPECT_EQ(r.computer, computers[i]);
    EXPECT_TRUE(r.ended) << r.computer;
    if (r.computer == "STUCK") {
      EXPECT_TRUE(r.timedOut);
      EXPECT_EQ(r.lines, std::vector<std::string>{"STUCK,2"});
      EXPECT_EQ(r.signal, 9);
    } else if (r.computer == "NOSTART") {
      EXPECT_EQ(r.startError, "no such program");
      EXPECT_TRUE(r.lines.empty());
    } else {
      EXPECT_FALSE(r.timedOut) << r.computer;
      ASSERT_EQ(r.lines.size(), 4u) << r.computer;
      EXPECT_EQ(r.lines.back(), r.computer + ",Complete");
    }
  }
  EXPECT_EQ(observer.lines, 6 * 4 + 1);
}

}  // namespace
}  // namespace korvane::console

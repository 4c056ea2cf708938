#include "console/scan/scan_batch.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>

namespace korvane::console {

namespace {
constexpr std::chrono::milliseconds kTickInterval{100};
}

std::vector<ScanRecord> RunBatch(ScanProcesses& processes, const BatchSettings& settings,
                                 const std::vector<std::string>& computers,
                                 BatchObserver& observer) {
  std::vector<ScanRecord> records(computers.size());
  for (std::size_t i = 0; i < computers.size(); ++i) records[i].computer = computers[i];
  std::map<int, std::size_t> running;  // scan number -> record index
  const int jobs = std::max(1, settings.jobs);
  std::size_t next = 0;
  bool stopping = false;

  while ((!stopping && next < computers.size()) || !running.empty()) {
    if (!stopping && settings.stopRequested && settings.stopRequested()) {
      stopping = true;
      for (const auto& [id, index] : running) {
        if (!records[index].timedOut) records[index].interrupted = true;
        processes.Kill(id);
      }
      if (settings.stopped) settings.stopped();
      if (running.empty()) break;
    }
    while (!stopping && next < computers.size() && static_cast<int>(running.size()) < jobs) {
      ScanRecord& record = records[next];
      record.started = true;
      record.startedAt = std::chrono::steady_clock::now();
      ScanStart start{settings.program, record.computer, settings.source, settings.userOnly,
                      settings.environment};
      if (!settings.privateTempRoot.empty()) {
        record.temp = (std::filesystem::path(settings.privateTempRoot) / std::to_string(next + 1)).string();
        std::error_code error;
        std::filesystem::create_directories(record.temp, error);
        start.environment.emplace_back("Temp", record.temp);
      }
      try {
        const int id = processes.Start(start);
        running.emplace(id, next);
        observer.ScanStarted(record);
      } catch (const std::exception& e) {
        record.startError = e.what();
        record.ended = true;
        record.endedAt = record.startedAt;
        observer.ScanStarted(record);
        observer.ScanEnded(record);
      }
      ++next;
    }
    if (running.empty()) continue;

    auto now = std::chrono::steady_clock::now();
    auto wait = kTickInterval;
    if (settings.timeout.count() > 0) {
      for (const auto& [id, index] : running) {
        if (records[index].timedOut) continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            records[index].startedAt + settings.timeout - now);
        wait = std::max(std::chrono::milliseconds(0), std::min(wait, left));
      }
    }

    for (ScanEvent& event : processes.Wait(wait)) {
      const auto found = running.find(event.scan);
      if (found == running.end()) continue;
      ScanRecord& record = records[found->second];
      switch (event.kind) {
        case ScanEvent::Kind::Line:
          record.lines.push_back(event.text);
          observer.ScanLine(record, record.lines.back());
          break;
        case ScanEvent::Kind::Output:
          record.output += event.text;
          break;
        case ScanEvent::Kind::Ended:
          record.ended = true;
          record.exitCode = event.exitCode;
          record.signal = event.signal;
          record.endedAt = std::chrono::steady_clock::now();
          running.erase(found);
          observer.ScanEnded(record);
          break;
      }
    }

    now = std::chrono::steady_clock::now();
    if (settings.timeout.count() > 0) {
      for (const auto& [id, index] : running) {
        ScanRecord& record = records[index];
        if (!record.timedOut && !record.interrupted && now - record.startedAt >= settings.timeout) {
          record.timedOut = true;
          processes.Kill(id);
        }
      }
    }
    observer.Tick(now);
  }
  return records;
}

}  // namespace korvane::console

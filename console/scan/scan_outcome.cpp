#include "console/scan/scan_outcome.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "scan/progress.h"

namespace korvane::console {

namespace {

std::string PercentText(double percent) {
  std::ostringstream out;
  out.precision(3);
  out << percent;
  return out.str();
}

bool HasLog(const std::vector<LogLine>& lines, const std::string& what) {
  for (const auto& l : lines) {
    if (l.what == what) return true;
  }
  return false;
}

}  // namespace

std::string StageOfPercent(double percent) {
  if (percent < progress::kEchoed) return "ping";
  if (percent < progress::kWmiConnected) return "last access";
  if (percent < progress::kSoftwareStarted) return "WMI";
  if (percent < progress::kCollected) return "software";
  return "database";
}

std::optional<LogLine> ParseLogLine(const std::string& line) {
  // The date-time and the fixed first texts hold no comma; the detail may.
  const std::size_t first = line.find(',');
  if (first == std::string::npos) return std::nullopt;
  const std::size_t second = line.find(',', first + 1);
  if (second == std::string::npos) return std::nullopt;
  LogLine parsed;
  parsed.when = line.substr(0, first);
  parsed.what = line.substr(first + 1, second - first - 1);
  parsed.detail = line.substr(second + 1);
  if (!parsed.detail.empty() && parsed.detail.back() == '\r') parsed.detail.pop_back();
  return parsed;
}

Outcome ClassifyScan(const ScanFacts& facts) {
  Outcome outcome;
  std::optional<double> lastPercent;
  double percentBeforeLastComplete = 0;
  bool complete = false;
  bool anyPercentBeforeComplete = false;
  for (const auto& line : facts.lines) {
    const progress::Line item = progress::ParseLine(line);
    if (!item.computer.empty() && item.computer != facts.computer) outcome.reportedName = item.computer;
    if (item.percent) {
      lastPercent = item.percent;
    } else if (item.complete) {
      complete = true;
      anyPercentBeforeComplete = lastPercent.has_value();
      percentBeforeLastComplete = lastPercent.value_or(0);
    }
  }
  outcome.percent = lastPercent.value_or(0);

  if (facts.interrupted) {
    outcome.kind = OutcomeKind::Interrupted;
    return outcome;
  }
  if (facts.timedOut) {
    outcome.kind = OutcomeKind::TimedOut;
    return outcome;
  }
  if (!complete) {
    outcome.kind = OutcomeKind::Died;
    if (facts.signal != 0) {
      outcome.detail = "ended by signal " + std::to_string(facts.signal);
    } else {
      outcome.detail = "exit status " + std::to_string(facts.exitCode);
    }
    return outcome;
  }
  outcome.percent = percentBeforeLastComplete;
  std::vector<LogLine> mine;
  for (const auto& text : facts.logLines) {
    if (auto line = ParseLogLine(text)) mine.push_back(*line);
  }

  if (anyPercentBeforeComplete && percentBeforeLastComplete == progress::kCollected) {
    if (HasLog(mine, "Error updating database")) {
      outcome.kind = OutcomeKind::GaveUp;
      outcome.detail = "Error updating database";
    } else {
      outcome.kind = OutcomeKind::Complete;
    }
    return outcome;
  }
  if (anyPercentBeforeComplete && percentBeforeLastComplete == progress::kEchoed) {
    if (HasLog(mine, "Insufficient access or error accessing PC ")) {
      outcome.kind = OutcomeKind::NoAccess;
    } else if (HasLog(mine, "Error updating last access database")) {
      outcome.kind = OutcomeKind::GaveUp;
      outcome.detail = "Error updating last access database";
    } else {
      outcome.kind = OutcomeKind::NotAnswering;
    }
    return outcome;
  }
  outcome.kind = OutcomeKind::GaveUp;
  if (!mine.empty()) outcome.detail = mine.back().what;
  return outcome;
}

std::string OutcomeText(const Outcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Complete: return "complete";
    case OutcomeKind::NotAnswering: return "not answering";
    case OutcomeKind::NoAccess: return "no access";
    case OutcomeKind::GaveUp: return "gave up after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::TimedOut: return "timed out after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::Died: return "died after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::Interrupted: return "interrupted after " + PercentText(outcome.percent) + "%";
  }
  return "";
}

}  // namespace korvane::console

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

// What the log line says after the computer's name: the reason it gives.
std::string ReasonOf(const std::vector<LogLine>& lines, const std::string& what) {
  for (const auto& l : lines) {
    if (l.what != what) continue;
    const std::size_t colon = l.detail.find(':');
    return colon == std::string::npos ? l.detail : l.detail.substr(colon + 1);
  }
  return "";
}

std::string WithReason(const std::string& what, const std::string& reason) {
  return reason.empty() ? what : what + ": " + reason;
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
  if (!facts.logProblem.empty()) {
    outcome.kind = OutcomeKind::Unknown;
    outcome.detail = facts.logProblem;
    return outcome;
  }
  std::vector<LogLine> mine;
  for (const auto& text : facts.logLines) {
    if (auto line = ParseLogLine(text)) mine.push_back(*line);
  }

  if (anyPercentBeforeComplete && percentBeforeLastComplete == progress::kCollected) {
    if (HasLog(mine, "Error updating database")) {
      outcome.kind = OutcomeKind::GaveUp;
      outcome.detail = WithReason("Error updating database", ReasonOf(mine, "Error updating database"));
      outcome.databaseFailed = true;
    } else {
      outcome.kind = OutcomeKind::Complete;
      if (HasLog(mine, "Unable to access WMI")) outcome.noWmi = ReasonOf(mine, "Unable to access WMI");
    }
    return outcome;
  }
  if (anyPercentBeforeComplete && percentBeforeLastComplete == progress::kEchoed) {
    if (HasLog(mine, "Insufficient access or error accessing PC ")) {
      outcome.kind = OutcomeKind::NoAccess;
      outcome.detail = ReasonOf(mine, "Insufficient access or error accessing PC ");
    } else if (HasLog(mine, "Error updating last access database")) {
      outcome.kind = OutcomeKind::GaveUp;
      outcome.detail = WithReason("Error updating last access database",
                                  ReasonOf(mine, "Error updating last access database"));
      outcome.databaseFailed = true;
    } else {
      outcome.kind = OutcomeKind::NotAnswering;
    }
    return outcome;
  }
  outcome.kind = OutcomeKind::GaveUp;
  if (!mine.empty()) {
    const std::size_t colon = mine.back().detail.find(':');
    outcome.detail = WithReason(mine.back().what,
                                colon == std::string::npos ? "" : mine.back().detail.substr(colon + 1));
  }
  return outcome;
}

std::string OutcomeText(const Outcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Complete:
      return outcome.noWmi ? "complete (no WMI: " + *outcome.noWmi + ")" : "complete";
    case OutcomeKind::NotAnswering: return "not answering";
    case OutcomeKind::NoAccess: return "no access";
    case OutcomeKind::GaveUp: return "gave up after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::TimedOut: return "timed out after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::Died: return "died after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::Interrupted: return "interrupted after " + PercentText(outcome.percent) + "%";
    case OutcomeKind::Unknown: return "unknown (log not written: " + outcome.detail + ")";
  }
  return "";
}

}  // namespace korvane::console

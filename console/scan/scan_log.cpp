#include "console/scan/scan_log.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/scan/scan_outcome.h"
#include "scan/progress.h"

namespace korvane::console {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

bool AboutThisScan(const std::string& line, const ScanIdentity& id) {
  const auto parsed = ParseLogLine(line);
  if (!parsed || parsed->when.empty() || !std::isdigit(static_cast<unsigned char>(parsed->when[0]))) {
    return false;
  }
  const std::string& detail = parsed->detail;
  for (const std::string* name : {&id.computer, &id.reportedName}) {
    if (name->empty()) continue;
    if (StartsWith(detail, *name + ":")) return true;
    // The WMI collector's own line names the computer first and the module second.
    if (detail == "ModGetWMI" && StartsWith(parsed->what, *name + ":")) return true;
  }
  if (!id.connectionString.empty() && StartsWith(detail, id.connectionString + " ")) return true;
  // Start-up: the whole command line, whose first field is the channel.
  const std::size_t comma = detail.find(',');
  return !id.commandLineTail.empty() && comma != std::string::npos &&
         detail.compare(comma, id.commandLineTail.size(), id.commandLineTail) == 0;
}

}  // namespace

std::string EscapeLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> ScanLogRecords(std::string_view text, const ScanIdentity& identity) {
  std::vector<std::string> records;
  std::string_view breakBefore;  // the line end before the current line
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    // The line end is LF, or CR LF as on Windows.
    std::string_view lineEnd = "\n";
    if (end < text.size() && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      lineEnd = "\r\n";
    }
    const std::string whole(line);
    if (records.empty() || AboutThisScan(whole, identity)) {
      records.push_back(EscapeLineBreaks(whole));
    } else {
      // The break was inside a field: kept, made visible.
      records.back() += EscapeLineBreaks(breakBefore) + EscapeLineBreaks(whole);
    }
    breakBefore = lineEnd;
    start = end + 1;
  }
  return records;
}

std::string TrustedReportedName(const std::vector<std::string>& progressLines) {
  if (progressLines.empty()) return "";
  const progress::Line last = progress::ParseLine(progressLines.back());
  if (last.computer.empty()) return "";
  std::size_t first = progressLines.size();
  for (std::size_t i = progressLines.size(); i-- > 0;) {
    const progress::Line item = progress::ParseLine(progressLines[i]);
    if (item.computer != last.computer || !(item.complete || item.percent)) break;
    first = i;
  }
  // Every line from the first that carries the name must be one of the run above.
  for (std::size_t i = 0; i < first; ++i) {
    if (progress::ParseLine(progressLines[i]).computer == last.computer) return "";
  }
  return last.computer;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ScanLogFile ReadScanLog(const std::string& tempDirectory) {
  namespace fs = std::filesystem;
  ScanLogFile log;
  std::error_code error;
  if (!fs::is_directory(tempDirectory, error)) {
    log.problem = "its Temp directory " + tempDirectory + " could not be made";
    return log;
  }
  const fs::path path = fs::path(tempDirectory) / kErrorLogName;
  if (fs::exists(fs::symlink_status(path, error))) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in && fs::is_regular_file(fs::symlink_status(path, error))) text << in.rdbuf();
    if (!in || in.bad() || !fs::is_regular_file(fs::symlink_status(path, error))) {
      log.problem = "cannot read " + path.string() +
                    (fs::is_regular_file(fs::symlink_status(path, error)) ? std::string(": ") + std::strerror(errno)
                                                                           : std::string(": not a file"));
      return log;
    }
    log.text = text.str();
  }
  // A line that did not fit is lost without a trace in the file: with less room than a
  // few lines need, what the file says is not the whole story.
  const fs::space_info room = fs::space(tempDirectory, error);
  if (!error && room.available < kLogRoomBytes) {
    log.problem = "no room left in " + tempDirectory;
  }
  return log;
}

bool AppendToSharedLog(const std::string& path, const std::vector<std::string>& records) {
  if (records.empty()) return true;
  std::string text;
  for (const auto& record : records) text += record + "\n";
  // Text mode: the line end is the system's own, as the scanners write it.
  std::ofstream out(path, std::ios::app);
  if (!out) return false;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace korvane::console

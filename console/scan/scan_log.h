// The error log of one scan. Every scanner writes its log into a Temp directory of its
// own that the console chose for it, so what a scan's log says is about that scan alone:
// its outcome is decided from that file, and nothing one computer makes a scanner write
// can change what the console reports about another.
//
// When the scan has ended, its lines are appended to the operator's shared log
// (DrevantaAssetDB.log in the console's Temp), one record a line. The scanner writes the
// texts it logs unchanged, so a computer name or an error text holding a line break
// splits a record over several lines, and the part after the break could pass for a
// record of its own about another computer. The console therefore takes a line of the
// scan's file as the start of a record only when it is shaped as one (a time text, a
// comma, what failed, a comma, the detail) and it is about this scan: its detail starts
// with the computer's name as started or as the scan reported it in its progress lines
// (when that name is trustworthy, see TrustedReportedName), then a colon; with the
// scanner's command line (start-up failures); or with the scan's connection string and a
// blank. Any other line continues the record before it, and the line break is written in
// the shared log as the visible text \n (a CR, alone or before the LF, as \r).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::console {

inline constexpr const char* kErrorLogName = "DrevantaAssetDB.log";
// The room a scan's Temp needs for its log lines to be trusted.
inline constexpr std::uintmax_t kLogRoomBytes = 64 * 1024;

// What marks a log line as this scan's own.
struct ScanIdentity {
  std::string computer;          // as started
  std::string reportedName;      // trustworthy name from the progress lines, or empty
  std::string commandLineTail;   // "," computer "," source "," of the scanner's command line
  std::string connectionString;  // the connection string the scanner builds
};

// CR as \r and LF as \n.
std::string EscapeLineBreaks(std::string_view text);

// The records of a scan's own log file, each on one line.
std::vector<std::string> ScanLogRecords(std::string_view text, const ScanIdentity& identity);

// The name the scan reported for itself in its progress lines, when every line from the
// first that carries it to the last is a well-formed line with that name (a name holding
// a line break cannot pass: it splits each of its lines in two); otherwise empty.
std::string TrustedReportedName(const std::vector<std::string>& progressLines);

// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::string& path);

// A scan's own log as the console found it after the scan: its text, or why the console
// cannot trust it (it could not be read, or its directory was missing or out of room, so
// the scanner may have lost lines).
struct ScanLogFile {
  std::string text;
  std::string problem;
};
ScanLogFile ReadScanLog(const std::string& tempDirectory);

// Appends the records to the shared log, one line each, in one write. False when the
// log cannot be written.
bool AppendToSharedLog(const std::string& path, const std::vector<std::string>& records);

}  // namespace korvane::console

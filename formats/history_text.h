// The change history kept in the History column of a computer's Asset row: dated
// entries "time~change^", oldest first. This module owns the text both ways: the labels
// of the compared fields, the change texts the scanner composes, the 3000-character cut,
// the pinned-value rule, and the reading of a stored history back into entries.
//
// Real inventories hold more than the scanners write: histories cut at the front,
// values that themselves contain "^" or "~" (never escaped), rows written by other
// tools, Null columns. The reading throws nothing; what cannot be read is kept as plain
// text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/variant.h"

namespace korvane {

inline constexpr std::size_t kHistoryLimit = 3000;

// ---- The texts of an entry ----

namespace history_text {

// The labels of the compared Asset fields, without their " changed ".
inline constexpr std::string_view kManufacturer = "Manufacturer";
inline constexpr std::string_view kModel = "Model";
inline constexpr std::string_view kDomain = "Domain";
inline constexpr std::string_view kBootDevice = "Boot Device";
inline constexpr std::string_view kDescription = "Description";
inline constexpr std::string_view kOS = "OS";
inline constexpr std::string_view kServicePack = "Service Pack";
inline constexpr std::string_view kOSVersion = "OS Version";
inline constexpr std::string_view kPhysicalMemory = "Physical Memory";
inline constexpr std::string_view kCountryCode = "Country Code";
inline constexpr std::string_view kWindowsDirectory = "Windows Directory";
inline constexpr std::string_view kBIOS = "BIOS";
inline constexpr std::string_view kBIOSVersion = "BIOS Version";
inline constexpr std::string_view kSerialNumber = "Serial Number";

// Every fixed label above; the numbered ones (processors, drives) follow patterns.
inline constexpr std::array<std::string_view, 14> kFixedLabels{
    kManufacturer, kModel,          kDomain,      kBootDevice,       kDescription,
    kOS,           kServicePack,    kOSVersion,   kPhysicalMemory,   kCountryCode,
    kWindowsDirectory, kBIOS,       kBIOSVersion, kSerialNumber};

// "Processor 1" to "Processor 4" and their "Processor N speed".
std::string ProcessorLabel(int number);
std::string ProcessorSpeedLabel(int number);
// "Drive C: Size" and "Drive C: System".
std::string DriveSizeLabel(char letter);
std::string DriveSystemLabel(char letter);

// Whether `label` is one of the field labels (fixed or numbered).
bool IsFieldLabel(std::string_view label);

// The label with its " changed ", the first part of every field change text.
std::string Changed(std::string_view label);

// The texts that are not field changes.
inline constexpr std::string_view kCreated = "New Record Created";
inline constexpr std::string_view kInstalled = "New Software installed : ";
inline constexpr std::string_view kRemoved = "Software removed : ";
inline constexpr std::string_view kChangedFrom = " changed from ";
// What of a program can change, as it follows the program's name.
inline constexpr std::array<std::string_view, 3> kProgramParts{"Version", "Location", "Product ID"};

std::string SoftwareInstalledText(const std::string& program);
std::string SoftwareRemovedText(const std::string& program);
// program & " " & part & " changed from " & old & " To " & new; the parts are empty text
// rather than "nothing".
std::string SoftwareChangedText(const std::string& program, std::string_view part,
                                const std::string& from, const std::string& to);

}  // namespace history_text

// time & "~" & change & "^"
std::string HistoryEntry(const std::string& timeText, const std::string& changeText);

// The three forms of a field change (label is history_text::Changed of a field label):
//   label & "from nothing To " & new        (stored is empty text)
//   label & "from " & stored & " To " & new
//   label & "from " & stored & " To nothing" (new is empty text)
std::string TextChangeText(const std::string& label, const std::string& stored,
                           const std::string& collected);

// The same for a number. Numbers are plain decimal; a stored number reported as changed
// "To nothing" (new value 0) carries a sign position: a blank when it is 0 or positive.
// A stored value that is text and not a number is quoted as it stands.
std::string NumberChangeText(const std::string& label, const Variant& stored, double collected);

// Removes the oldest entry: everything up to and including the first "^".
void TrimHistory(std::string& historyText);

// Removes whole entries from the front until the text holds at most maxChars characters
// (characters, not bytes). Same result as calling TrimHistory while the text is too long,
// in one pass, so a history swollen by a large software change is cut cheaply.
void CutHistory(std::string& historyText, std::size_t maxChars = kHistoryLimit);

// ---- Pinned values ----

// A stored value pinned by an administrator: text whose first character is "^". The
// scanner never compares it; the console shows it without the "^".
bool IsPinned(const Variant& stored);
// The text of a value (Null and Empty are empty text) without the pinning "^".
std::string UnpinnedText(const Variant& stored);

// ---- Reading a stored history ----

enum class ChangeKind {
  Created,            // "New Record Created"
  FieldChanged,       // "<label> changed from <old> To <new>"
  SoftwareInstalled,  // "New Software installed : <program>"
  SoftwareRemoved,    // "Software removed : <program>"
  SoftwareChanged,    // "<program> Version|Location|Product ID changed from <old> To <new>"
  Other,              // anything else, shown as it stands
};

struct StoredChange {
  std::string time;  // "YYYY/MM/DD HH:MM:SS"; empty for a piece without a time stamp
  std::string text;  // the whole change text
  ChangeKind kind = ChangeKind::Other;
  std::string subject;  // the field label ("Physical Memory") or the program name
  std::string what;     // SoftwareChanged: "Version", "Location" or "Product ID"
  std::string from, to; // empty text for "nothing"
};

// The entries, oldest first. A piece that does not begin with a time stamp continues the
// entry before it (a value containing "^"), or, at the very front, is the remains of an
// entry cut by the length rule and is kept without a time.
std::vector<StoredChange> ParseHistory(const std::string& history);

}  // namespace korvane

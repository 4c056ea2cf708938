// The change history kept in the History column of a computer's Asset row: dated
// entries "time~change^", oldest first. This module owns the entry format, the change
// texts of field changes, the 3000-character cut and the two ways of appending (field
// entries are cut, software entries are not).
//
// Every entry takes its own time stamp when it is composed and is stored by its own
// one-column update, so a failure part-way leaves the entries before it stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/variant.h"

namespace korvane {

struct Korvane;

inline constexpr std::size_t kHistoryLimit = 3000;

// time & "~" & change & "^"
std::string HistoryEntry(const std::string& timeText, const std::string& changeText);

// The three forms of a field change:
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

// Cuts the working text k.inv.HistoryText to the limit.
void TrimHistory(Korvane& k);

// Appends one entry to the History column of the Asset row (slot 1) and stores it at
// once. Field entries go through the working text and are cut to the limit; software
// entries are appended uncut.
void AppendFieldEntry(Korvane& k, const std::string& changeText);
void AppendSoftwareEntry(Korvane& k, const std::string& changeText);

// Compare the stored Asset column with the collected value and append an entry when they
// differ. Nothing is written while the stored row is blank; a pinned text is never
// compared; a stored Null never counts as a change. Errors pass to the caller.
void RecordTextChange(Korvane& k, int16_t ordinal, const std::string& newValue,
                      const std::string& label);
void RecordNumberChange(Korvane& k, int16_t ordinal, double newValue, const std::string& label);

// A stored value pinned by an administrator: text whose first character is "^".
bool IsPinned(const Variant& stored);

}  // namespace korvane

// Appending to the change history kept in the History column of a computer's Asset
// row; the text of the entries is formats/history_text.h. Two ways of appending: field
// entries are cut to the limit, software entries are not.
//
// Every entry takes its own time stamp when it is composed and is stored by its own
// one-column update, so a failure part-way leaves the entries before it stored.
#pragma once

#include <cstdint>
#include <string>

#include "formats/history_text.h"

namespace korvane {

struct Korvane;

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

}  // namespace korvane

// `show --format csv|json`: the inventory for other programs. CSV: a header row and one
// row per computer (RFC 4180). JSON: an array of the same summaries, or for one computer
// an object with every stored value and the parsed history, drive series, software and
// services. The shapes are described in docs/console.md.
#pragma once

#include <ostream>
#include <string>

#include "platform/database.h"

namespace korvane::console {

// `computer` empty: every computer.
// `raw`: cells that a spreadsheet would take for a formula are kept as they are.
void ShowCsv(Connection& connection, const std::string& computer, std::ostream& out, bool raw = false);
void ShowJson(Connection& connection, const std::string& computer, std::ostream& out);

}  // namespace korvane::console

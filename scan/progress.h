// Progress lines to the controlling console: ComputerName & "," & item.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

struct Korvane;

// Adds the complete, already composed line to the console's list box. Never fails.
void ProgRep(Korvane& k, const std::string& line);

// Sends ComputerName & "," & item.
void Progress(Korvane& k, std::string_view item);

}  // namespace korvane

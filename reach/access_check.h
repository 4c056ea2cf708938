// The access check: the computer's registry must be readable over the network.
#pragma once

namespace korvane {

struct Korvane;

// Returns only when the probe value was read; otherwise logs, reports "Complete" and
// ends the process.
void CheckAccess(Korvane& k);

}  // namespace korvane

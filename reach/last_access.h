// The last-access record: every scan attempt leaves its trace in LastAccess.
#pragma once

namespace korvane {

struct Korvane;

// Records the attempt with its own connection. On a database failure it logs "Error
// updating last access database", reports "Complete" and ends the process.
void UpdateLastAccess(Korvane& k);

}  // namespace korvane

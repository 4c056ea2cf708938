// The last-access record: every scan attempt leaves its trace in LastAccess.
#pragma once

namespace korvane {

struct Korvane;

// Records the attempt with connection objects of its own. On a database failure it logs "Error
// updating last access database", reports "Complete" and ends the process.
void UpdateLastAccess(Korvane& k);

}  // namespace korvane

#include "collect/snapshot_dump.h"

namespace korvane {

// Filled in with the collectors.
void DumpSnapshotIfAsked(Korvane&) {}

}  // namespace korvane

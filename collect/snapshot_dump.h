// Writes the collected snapshot as JSON to the file named by the environment variable
// KORVANE_SNAPSHOT, for people and tests that want to see what a scan collected.
#pragma once

namespace korvane {

struct Korvane;

void DumpSnapshotIfAsked(Korvane& k);

}  // namespace korvane

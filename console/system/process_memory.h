// How the console's own memory is kept: show and report stream whole inventories
// through buffers of every size, read on one thread and freed on another.
#pragma once

namespace korvane::console {

// Large buffers (a batch's query results, a software list) are given back to the system
// when freed rather than kept in the heap: without it the heap of a 100,000-computer
// report grows by a third with freed, fragmented space; and the reading threads share
// the heaps rather than each keeping one. Called once, at the start.
void ReturnLargeBuffersWhenFreed();

}  // namespace korvane::console

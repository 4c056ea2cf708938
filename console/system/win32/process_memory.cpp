#include "console/system/process_memory.h"

namespace korvane::console {

// The Windows heap already gives blocks of about half a megabyte and more their own
// virtual allocation, released when freed.
void ReturnLargeBuffersWhenFreed() {}

}  // namespace korvane::console

#include "console/system/process_memory.h"

#include <malloc.h>

namespace korvane::console {

void ReturnLargeBuffersWhenFreed() {
#ifdef __GLIBC__
  // A fixed threshold also stops glibc from raising it after the first large free, which
  // is what sends later large buffers into the heap.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

}  // namespace korvane::console

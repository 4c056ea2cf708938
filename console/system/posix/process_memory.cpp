#include "console/system/process_memory.h"

#include <malloc.h>

namespace korvane::console {

void ReturnLargeBuffersWhenFreed() {
#ifdef __GLIBC__
  // A fixed threshold also stops glibc from raising it after the first large free, which
  // is what sends later large buffers into the heap.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  // The threads that read a server's sessions would each get a heap of their own, whose
  // freed space the others never reuse; two heaps hold a 100,000-computer report to
  // three quarters of the memory.
  mallopt(M_ARENA_MAX, 2);
#endif
}

}  // namespace korvane::console

#include "console/system/this_computer.h"

#include <thread>

namespace korvane::console {

unsigned ProcessorCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}

}  // namespace korvane::console

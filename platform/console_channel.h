// The channel to the controlling console: each progress line is added to the console's
// list box. On Windows that is SendMessageA(LB_ADDSTRING) to the window handle; on Linux
// the "handle" is the number of a file descriptor inherited from the console.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvane {

class ConsoleChannel {
 public:
  virtual ~ConsoleChannel() = default;

  // Delivers the line whole and in order, blocking until it is taken or dropped. Never
  // fails: handle 0, or a handle whose reader is gone, loses the line silently.
  virtual void AddLine(int32_t listBoxHandle, std::string_view line) = 0;
};

}  // namespace korvane

// The console channel on Linux: the list-box "handle" is the number of a file
// descriptor inherited from the console; each line goes out as text plus a newline.
#pragma once

#include "platform/console_channel.h"

namespace korvane {

class FdConsoleChannel : public ConsoleChannel {
 public:
  FdConsoleChannel();
  void AddLine(int32_t listBoxHandle, std::string_view line) override;
};

}  // namespace korvane

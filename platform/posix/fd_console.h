// The console channel on Linux: the list-box "handle" is the number of a file
// descriptor inherited from the console; each line goes out as text plus a newline.
//
// Whether a handle is such a descriptor is settled by what was open when the process
// started: a number that was free then is, later in the scan, one of the scanner's own
// files (the inventory database, a log), and a progress line written there would
// destroy it. So the channel notes the descriptors it inherited when it is made (before
// the scan opens anything), and a handle that was not among them, or that no longer is
// the same file, is a lost console for the rest of the process.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>

#include "platform/console_channel.h"

namespace korvane {

class FdConsoleChannel : public ConsoleChannel {
 public:
  FdConsoleChannel();
  void AddLine(int32_t listBoxHandle, std::string_view line) override;

 private:
  struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
  };
  bool Usable(int descriptor);

  std::map<int, FileIdentity> inherited_;
};

}  // namespace korvane

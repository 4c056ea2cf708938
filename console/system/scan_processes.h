// The scanner processes of one console command: started, heard and ended through one
// object, since all three act on the same running scans.
//
// One implementation per system: posix/ (a pipe per scan whose write end becomes
// descriptor 3 in the child; a process group per scan) and win32/ (a list box in a
// message-only window and a job object per scan). Everything else in the console is
// portable and reaches the system only through the headers of this folder.
#pragma once

#include <memory>

#include "console/system/scan_channel.h"
#include "console/system/scan_ending.h"
#include "console/system/scanner_start.h"

namespace korvane::console {

class ScanProcesses : public ScannerStarter, public ScanChannels, public ScanEnding {};

std::unique_ptr<ScanProcesses> MakeScanProcesses();

}  // namespace korvane::console

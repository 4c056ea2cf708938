// The life of a scanner process, shared by the Linux and Windows entry points: choose
// the target network (the real one, or the lab named by KORVANE_LAB), create the one
// per-process state and run the scan.
#pragma once

#include "platform/platform.h"

namespace korvane {

int RunScannerProcess(SystemPlatform& system);

}  // namespace korvane

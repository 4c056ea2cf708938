// The local wall clock of the computer the console runs on. Commands that write a time
// of their own (the report's "as of") take a Clock, so that a test can hand them a
// pinned one; this is the one they get when run from the command line.
#pragma once

#include "platform/clock.h"

namespace korvane::console {

// Stateless: every Now() reads the system's clock.
Clock& LocalClock();

}  // namespace korvane::console

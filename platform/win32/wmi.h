// WMI through COM, shaped like the scripting interface the scan was written against:
// a locator that connects to the target's default namespace with the process's own
// credentials, semi-synchronous queries (return-immediately) walked in order, and
// asynchronous notification queries delivered to a sink that nobody reads.
//
// COM must be initialised on the calling thread (the system platform does it once).
#pragma once

#include <memory>

#include "platform/target.h"

namespace korvane::win32 {

std::unique_ptr<WmiApi> MakeWmi();

}  // namespace korvane::win32

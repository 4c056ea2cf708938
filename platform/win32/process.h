// Process services of a Windows process: the argument text, the environment, the
// one-shot timer on the thread's message loop, the message box, the log file and the
// immediate end.
#pragma once

#include <memory>
#include <string>

#include "platform/process.h"

namespace korvane::win32 {

std::unique_ptr<ProcessServices> MakeProcess();

// The argument text of a Windows command line: what follows the program's own path
// (quoted or not) and the blanks after it, unchanged otherwise.
std::wstring ArgumentText(const std::wstring& commandLine);

}  // namespace korvane::win32

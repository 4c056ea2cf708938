// Windows failures become the program's RuntimeError here, in one function, so every
// caller sees the same vocabulary: the number is the HRESULT (a Win32 status travels as
// HRESULT_FROM_WIN32), the description is WMI's own text for WMI codes and the system's
// message text otherwise.
#pragma once

#include <cstdint>

#include "platform/runtime_error.h"

namespace korvane::win32 {

RuntimeError WindowsError(int32_t hresult);

// The HRESULT of a Win32 status code (HRESULT_FROM_WIN32).
int32_t HresultFromWin32(uint32_t status);

}  // namespace korvane::win32

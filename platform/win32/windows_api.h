// The one place the Windows SDK headers enter the program. Every file of platform/win32
// includes this instead of <windows.h>, so the order (Winsock before windows.h) and the
// macros that would rename our own methods are settled once.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

// The SDK maps these names to their A/W forms; our interfaces use the plain names for
// methods, so the macros would rename the overrides and break them.
#undef MessageBox
#undef EnumServicesStatus
#undef GetDiskFreeSpaceEx
#undef GetEnvironmentVariable
#undef CreateFile

// One contract for the six services of a target computer, run against the lab
// (tests/contract/lab_world.cpp) and the real Windows calls (tests/wine/contract/
// windows_world.cpp), each preparing one computer with the same facts. A world that
// lacks a function names the reason, and the test is skipped with it, never passed.
#pragma once

#include <string>

#include "platform/target.h"

namespace korvane::contract {

// The registry key every world prepares under HKEY_LOCAL_MACHINE of its computer:
//   Text    REG_SZ         "Grün 5.1"
//   Expand  REG_EXPAND_SZ  "%SystemRoot%\k"
//   Multi   REG_MULTI_SZ   "a", "b"
//   Number  REG_DWORD      7
// and three subkeys, "Eins", "Zwei" and "Drei", holding nothing.
inline constexpr const char* kContractKey = "Software\\Korvane Contract";

// A program every 64-bit world registers in the 32-bit view of its registry only, as a
// 32-bit installer does: DisplayName "Korvane Contract 32", UninstallString "remove.exe".
inline constexpr const char* kContract32Key =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KorvaneContract32";

// What a world may lack; Lacks() returns the reason, or empty text when it has it.
enum class Capability {
  ServiceManagerRefusesUnknownComputer,  // OpenSCManager on a name that is no computer fails
  WorkstationLogons,                     // NetWkstaUserEnum lists the computer's logons
  AdministrativeShares,                  // \\COMPUTER\C$ reports its size
  NotificationQueries,                   // ExecNotificationQueryAsync registers
  ThirtyTwoBitView,                      // a 64-bit computer whose 32-bit view can be written
};

class World {
 public:
  virtual ~World() = default;
  virtual TargetNetwork& Network() = 0;
  // The prepared computer, by a name that resolves and answers the echo.
  virtual std::string Computer() = 0;
  virtual std::string Lacks(Capability) { return {}; }
};

// Each test binary defines this: the world of its implementation, made once.
World& TheWorld();

}  // namespace korvane::contract

// Interrupts on Windows: console control events, noted by a handler that the system runs
// on a thread of its own and that the main loop asks.
#include "console/system/interrupts.h"

#include <atomic>

#include "platform/win32/windows_api.h"

namespace korvane::console {

namespace {

// Set by the control handler, which the system runs on a thread of its own.
std::atomic<int> gInterruptStatus{0};
std::atomic<bool> gScansStopped{false};
std::atomic<bool> gSecondInterrupt{false};
std::atomic<bool> gHandled{false};

BOOL WINAPI OnControl(DWORD type) {
  int status = 143;  // log-off, shut-down
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) status = 130;
  if (type == CTRL_CLOSE_EVENT) status = 129;
  int none = 0;
  if (gInterruptStatus.compare_exchange_strong(none, status)) {
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
    // The system ends the process when a close, log-off or shut-down handler returns
    // (the job objects then end the scans): give the main loop time to stop the scans
    // and write the summary first.
    for (int waited = 0; waited < 4500 && !gHandled.load(); waited += 50) Sleep(50);
    return TRUE;
  }
  if (gScansStopped.load()) ExitProcess(static_cast<UINT>(gInterruptStatus.load()));
  gSecondInterrupt = true;
  return TRUE;
}

}  // namespace

void WatchInterrupts() { SetConsoleCtrlHandler(OnControl, TRUE); }

int InterruptStatus() { return gInterruptStatus.load(); }

void ScansStopped() {
  gScansStopped = true;
  if (gSecondInterrupt.load()) ExitProcess(static_cast<UINT>(gInterruptStatus.load()));
}

void InterruptHandled() { gHandled = true; }

}  // namespace korvane::console

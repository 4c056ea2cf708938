// Interrupts of the console: Ctrl-C (SIGINT), SIGTERM and SIGHUP on Linux; Ctrl-C,
// Ctrl-Break, closing the console window, logging off and shutting down on Windows. From
// WatchInterrupts() on, the first one is only noted, so that the console can stop its
// scans and summarise; InterruptStatus() is then the exit status to end with (130 for
// Ctrl-C, 143 for SIGTERM, log-off and shut-down, 129 for SIGHUP and a closed window),
// 0 while none came. Once ScansStopped() has been called (every running scan has been
// told to end), a further interrupt ends the console at once with that status; one that
// came before ends it right in ScansStopped().
#pragma once

namespace korvane::console {

void WatchInterrupts();
int InterruptStatus();
void ScansStopped();
// Called when the console has said all it has to say: a closing window need not wait
// any longer.
void InterruptHandled();

}  // namespace korvane::console

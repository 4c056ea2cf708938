// Interrupts on Linux: SIGINT, SIGTERM and SIGHUP, noted by a handler that the main
// loop asks.
#include "console/system/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

namespace korvane::console {

namespace {

// The one place of the console where a signal handler meets the main loop: what it may
// touch must be lock-free and of static storage.
volatile std::sig_atomic_t gInterruptSignal = 0;
volatile std::sig_atomic_t gScansStopped = 0;
volatile std::sig_atomic_t gSecondInterrupt = 0;

int StatusOfSignal(int signal) { return 128 + signal; }

void OnInterrupt(int signal) {
  if (gInterruptSignal == 0) {
    gInterruptSignal = signal;
    return;
  }
  if (gScansStopped != 0) ::_exit(StatusOfSignal(gInterruptSignal));
  gSecondInterrupt = 1;
}

}  // namespace

void WatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: the poll of the main loop returns at once.
  action.sa_flags = 0;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int InterruptStatus() { return gInterruptSignal == 0 ? 0 : StatusOfSignal(gInterruptSignal); }

void ScansStopped() {
  gScansStopped = 1;
  if (gSecondInterrupt != 0) ::_exit(StatusOfSignal(gInterruptSignal));
}

void InterruptHandled() {}

}  // namespace korvane::console

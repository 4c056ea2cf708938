// The error-handling patterns of the scan, as named mechanisms used at the call site:
//
//   Attempt(...)            continue-on-error: a run-time error skips this one statement
//                           and the next runs; nothing is logged.
//   WithTerminalHandling    the top-level procedures: a run-time error is logged under
//                           ErrorProcedure with ErrorContext, "Complete" is reported and
//                           the process ends at once.
//   EndScan(k)              give up on the computer: report "Complete" and end the
//                           process at once (after the caller has logged its own line).
//
// Stages that give up only on themselves (software collector, reconciliation) catch
// RuntimeError where they say so. None of these catch ProcessEndedForTest, so ending the
// process can never be swallowed.
#pragma once

#include <exception>
#include <string>

#include "platform/runtime_error.h"

namespace korvane {

struct Korvane;

// Reports ComputerName & ",Complete" and ends the process at once.
[[noreturn]] void EndScan(Korvane& k);

// The terminal handling: ErrorText := text; log ErrorProcedure / ErrorContext:ErrorText;
// report "Complete"; end the process at once.
[[noreturn]] void TerminalFailure(Korvane& k, const std::string& errorText);

template <class Statement>
void Attempt(Statement&& statement) {
  try {
    statement();
  } catch (const RuntimeError&) {
  }
}

template <class Body>
void WithTerminalHandling(Korvane& k, Body&& body) {
  try {
    body();
  } catch (const RuntimeError& e) {
    TerminalFailure(k, e.description());
  } catch (const std::exception& e) {
    TerminalFailure(k, e.what());
  }
}

}  // namespace korvane

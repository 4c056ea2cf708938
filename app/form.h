// The form Korvane: start-up (Form_Load), the one-shot timer event (Timer1_Timer) and
// the scan driver (Scan).
#pragma once

#include <chrono>

namespace korvane {

struct Korvane;

inline constexpr std::chrono::milliseconds kTimer1Interval{200};

// Reads the command line into the scan context. On a malformed command line it logs
// under "Korvane.Form_Load", reports "Complete" and ends the process.
void Form_Load(Korvane& k);

// The timer's one event: runs the scan once.
void Timer1_Timer(Korvane& k);

// The fixed stage sequence of one scan.
void Scan(Korvane& k);

// The whole life of the process: start-up, the timer, the scan, the normal close.
// Returns the exit status of a normal end.
int RunKorvane(Korvane& k);

}  // namespace korvane

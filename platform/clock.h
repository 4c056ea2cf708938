// The local wall clock. Every time and date text of the program is made from one read
// of this clock at the moment of use, so tests can pin time (for example with faketime).
#pragma once

namespace korvane {

struct LocalTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

}  // namespace korvane

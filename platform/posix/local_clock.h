#pragma once

#include "platform/clock.h"

namespace korvane {

// The local time of the system (time() and localtime_r, so faketime pins it).
class LocalClock : public Clock {
 public:
  LocalTime Now() override;
};

}  // namespace korvane

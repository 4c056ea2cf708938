// The time and date texts stored in the inventory and written to the log.
#pragma once

#include <string>

#include "platform/clock.h"

namespace korvane {

struct Korvane;

// "YYYY/MM/DD HH:MM:SS"
std::string TimeText(const LocalTime& t);
// "YYYY/MM/DD"
std::string DateText(const LocalTime& t);
// "YYYYMMDD", used to compare calendar days.
std::string DayKey(const LocalTime& t);

// The current time text, read from the platform clock at this moment.
std::string NowText(Korvane& k);

}  // namespace korvane

#include "scan/time_text.h"

#include <cstdio>

#include "scan/korvane.h"

namespace korvane {

std::string TimeText(const LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buffer;
}

std::string DateText(const LocalTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", t.year, t.month, t.day);
  return buffer;
}

std::string DayKey(const LocalTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", t.year, t.month, t.day);
  return buffer;
}

std::string NowText(Korvane& k) { return TimeText(k.platform.clock->Now()); }

}  // namespace korvane

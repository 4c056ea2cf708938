#include "console/system/local_clock.h"

#include <ctime>

namespace korvane::console {

namespace {

class PosixLocalClock : public Clock {
 public:
  LocalTime Now() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  }
};

}  // namespace

Clock& LocalClock() {
  static PosixLocalClock clock;
  return clock;
}

}  // namespace korvane::console

// A clock that starts at a given local time instead of the system's, for runs that must
// happen on chosen days where nothing like faketime exists (the Windows demo scans on
// three fixed days). KORVANE_CLOCK="YYYY-MM-DD HH:MM:SS" in the environment pins the
// scanner's clock to that moment at its start; from there it advances with real time.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/clock.h"

namespace korvane {

inline constexpr const char* kPinnedClockVariable = "KORVANE_CLOCK";

// "YYYY-MM-DD HH:MM:SS" (a "T" in place of the blank is accepted); nullopt for anything
// that is not a valid date and time.
std::optional<LocalTime> ParseClockText(std::string_view text);

// The time `seconds` after t, across days, months and years.
LocalTime AddSeconds(const LocalTime& t, long long seconds);

class PinnedClock : public Clock {
 public:
  explicit PinnedClock(const LocalTime& start);
  LocalTime Now() override;

 private:
  LocalTime start_;
  std::chrono::steady_clock::time_point started_;
};

// The system clock, or a pinned one when KORVANE_CLOCK holds a valid time.
std::unique_ptr<Clock> PinnedOr(std::unique_ptr<Clock> system);

}  // namespace korvane

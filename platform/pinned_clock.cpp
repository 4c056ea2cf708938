#include "platform/pinned_clock.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace korvane {

namespace {

bool Field(std::string_view text, std::size_t at, std::size_t width, int& value) {
  if (at + width > text.size()) return false;
  const char* first = text.data() + at;
  const auto [end, error] = std::from_chars(first, first + width, value);
  return error == std::errc() && end == first + width;
}

}  // namespace

std::optional<LocalTime> ParseClockText(std::string_view text) {
  LocalTime t;
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || (text[10] != ' ' && text[10] != 'T') ||
      text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  if (!Field(text, 0, 4, t.year) || !Field(text, 5, 2, t.month) || !Field(text, 8, 2, t.day) ||
      !Field(text, 11, 2, t.hour) || !Field(text, 14, 2, t.minute) || !Field(text, 17, 2, t.second)) {
    return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day date{year{t.year}, month{static_cast<unsigned>(t.month)},
                            day{static_cast<unsigned>(t.day)}};
  if (!date.ok() || t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  return t;
}

LocalTime AddSeconds(const LocalTime& t, long long seconds) {
  using namespace std::chrono;
  const sys_days date{year{t.year} / month{static_cast<unsigned>(t.month)} / day{static_cast<unsigned>(t.day)}};
  const sys_seconds moment = date + hours{t.hour} + minutes{t.minute} + std::chrono::seconds{t.second} +
                             std::chrono::seconds{seconds};
  const sys_days newDate = floor<days>(moment);
  const year_month_day ymd{newDate};
  const hh_mm_ss clock{moment - newDate};
  return LocalTime{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                   static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(clock.hours().count()),
                   static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count())};
}

PinnedClock::PinnedClock(const LocalTime& start) : start_(start), started_(std::chrono::steady_clock::now()) {}

LocalTime PinnedClock::Now() {
  const auto elapsed = std::chrono::steady_clock::now() - started_;
  return AddSeconds(start_, std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

std::unique_ptr<Clock> PinnedOr(std::unique_ptr<Clock> system) {
  const char* text = std::getenv(kPinnedClockVariable);
  if (text == nullptr) return system;
  const std::optional<LocalTime> start = ParseClockText(text);
  if (!start) return system;
  return std::make_unique<PinnedClock>(*start);
}

}  // namespace korvane

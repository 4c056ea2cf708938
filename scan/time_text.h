// The time and date texts stored in the inventory and written to the log, and the
// running progress value's number text. The stored patterns are fixed ("YYYY/MM/DD
// HH:MM:SS", "YYYY/MM/DD"); the "/" and ":" stand for the system's date and time
// separators, and the log's date-time and the decimal separator follow the user's
// locale, where the platform has one (Platform::locale).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace korvane {

struct Korvane;

// "YYYY/MM/DD HH:MM:SS" with the given separators.
std::string TimeText(const LocalTime& t, std::string_view dateSeparator = "/",
                     std::string_view timeSeparator = ":");
// "YYYY/MM/DD" with the given separator.
std::string DateText(const LocalTime& t, std::string_view dateSeparator = "/");
// "YYYYMMDD", used to compare calendar days.
std::string DayKey(const LocalTime& t);
// A date text as DateText writes it, whatever its separator (any characters but digits,
// blanks included, the same twice; one- or two-digit month and day; blanks around it and
// a trailing part of the separator ignored), so entries written under any locale's
// separator read back, whichever locale reads them.
std::optional<LocalTime> ReadDateText(std::string_view text);
// A number text with its decimal point replaced by the given separator.
std::string WithDecimalSeparator(std::string text, std::string_view separator);

// The current time text and date text, read from the platform clock at this moment and
// written with the system's separators.
std::string NowText(Korvane& k);
std::string TodayText(Korvane& k);
// The error log's date and time: the user's general date format, or the time text where
// the platform has no locale.
std::string LogDateTime(Korvane& k);
// A Double as the system converts it to text: NumberText with the user's decimal
// separator.
std::string LocaleNumberText(Korvane& k, double value);

}  // namespace korvane

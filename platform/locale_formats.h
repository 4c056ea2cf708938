// How the user's settings write dates, times and decimal numbers. On Windows the user's
// locale answers (short date, long time, separators); a platform without such settings
// leaves the scan's Platform::locale null and the fixed forms of scan/time_text.h serve.
#pragma once

#include <string>

#include "platform/clock.h"

namespace korvane {

class LocaleFormats {
 public:
  virtual ~LocaleFormats() = default;
  // The general date format: the short date, a blank and the long time; at exactly
  // midnight the date alone.
  virtual std::string GeneralDate(const LocalTime& t) = 0;
  virtual std::string DateSeparator() = 0;
  virtual std::string TimeSeparator() = 0;
  virtual std::string DecimalSeparator() = 0;
};

}  // namespace korvane

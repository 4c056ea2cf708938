// Read at every use, through the Ex calls with the user's default locale, so a scan
// writes what the account's Regional settings say at that moment.
#include "platform/win32/locale_formats.h"

#include <cstdio>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::win32 {

namespace {

SYSTEMTIME ToSystemTime(const LocalTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  return st;
}

std::string LocaleValue(LCTYPE type, const char* fallback) {
  wchar_t buffer[32] = {};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 32);
  return length > 1 ? FromWide(std::wstring_view(buffer, static_cast<std::size_t>(length - 1))) : fallback;
}

class UserLocale : public LocaleFormats {
 public:
  std::string GeneralDate(const LocalTime& t) override {
    const SYSTEMTIME st = ToSystemTime(t);
    wchar_t date[128] = {};
    wchar_t time[128] = {};
    const int dateLength = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128, nullptr);
    std::string text = dateLength > 1 ? FromWide(date) : FallbackDate(t);
    if (t.hour == 0 && t.minute == 0 && t.second == 0) return text;
    const int timeLength = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, time, 128);
    text += ' ';
    text += timeLength > 1 ? FromWide(time) : FallbackTime(t);
    return text;
  }
  std::string DateSeparator() override { return LocaleValue(LOCALE_SDATE, "/"); }
  std::string TimeSeparator() override { return LocaleValue(LOCALE_STIME, ":"); }
  std::string DecimalSeparator() override { return LocaleValue(LOCALE_SDECIMAL, "."); }

 private:
  static std::string FallbackDate(const LocalTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", t.year, t.month, t.day);
    return buffer;
  }
  static std::string FallbackTime(const LocalTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buffer;
  }
};

}  // namespace

std::unique_ptr<LocaleFormats> MakeUserLocale() { return std::make_unique<UserLocale>(); }

}  // namespace korvane::win32

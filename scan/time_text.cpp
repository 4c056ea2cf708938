#include "scan/time_text.h"

#include <cctype>
#include <cstdio>

#include "scan/conversions.h"
#include "scan/korvane.h"

namespace korvane {

namespace {

std::string TwoDigits(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

std::string FourDigits(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d", n);
  return buffer;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Long enough for any separator a locale or a user sets (at most a few characters, each
// up to four bytes in UTF-8).
constexpr std::size_t kMaxSeparatorBytes = 16;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Reads the digits at `pos` (at most maxDigits of them) into `value`.
bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& value) {
  const std::size_t start = pos;
  value = 0;
  while (pos < text.size() && pos - start < maxDigits && IsDigit(text[pos])) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return pos > start;
}

// The date separator as the writer put it: every character up to the next digit. A
// locale's separator may be several characters, blanks among them (Hungarian ". ").
std::string_view ReadSeparator(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && pos - start < kMaxSeparatorBytes && !IsDigit(text[pos])) ++pos;
  return text.substr(start, pos - start);
}

// What may follow the day: blanks, and characters of the separator (a pattern that ends
// in its separator, "yyyy. MM. dd.", leaves a dot there).
bool OnlyBlanksOrSeparator(std::string_view rest, std::string_view separator) {
  for (const char c : rest) {
    if (c != ' ' && separator.find(c) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

std::string TimeText(const LocalTime& t, std::string_view dateSeparator, std::string_view timeSeparator) {
  std::string text = DateText(t, dateSeparator);
  text += ' ';
  text += TwoDigits(t.hour);
  text += timeSeparator;
  text += TwoDigits(t.minute);
  text += timeSeparator;
  text += TwoDigits(t.second);
  return text;
}

std::string DateText(const LocalTime& t, std::string_view dateSeparator) {
  std::string text = FourDigits(t.year);
  text += dateSeparator;
  text += TwoDigits(t.month);
  text += dateSeparator;
  text += TwoDigits(t.day);
  return text;
}

std::string DayKey(const LocalTime& t) { return FourDigits(t.year) + TwoDigits(t.month) + TwoDigits(t.day); }

std::optional<LocalTime> ReadDateText(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  LocalTime t;
  const std::size_t yearStart = pos;
  if (!ReadDigits(text, pos, 4, t.year) || pos - yearStart != 4) return std::nullopt;
  const std::string_view separator = ReadSeparator(text, pos);
  if (separator.empty() || pos == text.size()) return std::nullopt;
  if (!ReadDigits(text, pos, 2, t.month)) return std::nullopt;
  if (text.substr(pos, separator.size()) != separator) return std::nullopt;
  pos += separator.size();
  if (!ReadDigits(text, pos, 2, t.day)) return std::nullopt;
  if (!OnlyBlanksOrSeparator(text.substr(pos), separator)) return std::nullopt;
  if (t.year < 100 || t.month < 1 || t.month > 12) return std::nullopt;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return std::nullopt;
  return t;
}

std::string WithDecimalSeparator(std::string text, std::string_view separator) {
  const std::size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, separator);
  return text;
}

std::string NowText(Korvane& k) {
  LocaleFormats* locale = k.platform.locale;
  const LocalTime now = k.platform.clock->Now();
  return locale ? TimeText(now, locale->DateSeparator(), locale->TimeSeparator()) : TimeText(now);
}

std::string TodayText(Korvane& k) {
  LocaleFormats* locale = k.platform.locale;
  const LocalTime now = k.platform.clock->Now();
  return locale ? DateText(now, locale->DateSeparator()) : DateText(now);
}

std::string LogDateTime(Korvane& k) {
  const LocalTime now = k.platform.clock->Now();
  return k.platform.locale ? k.platform.locale->GeneralDate(now) : TimeText(now);
}

std::string LocaleNumberText(Korvane& k, double value) {
  const std::string text = NumberText(value);
  return k.platform.locale ? WithDecimalSeparator(text, k.platform.locale->DecimalSeparator()) : text;
}

}  // namespace korvane

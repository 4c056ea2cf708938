#include "formats/drive_history_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "formats/software_list_text.h"
#include "scan/conversions.h"
#include "scan/time_text.h"

namespace korvane {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string DriveHistoryKey(const std::string& computer, const std::string& letter) {
  return computer + "~" + letter;
}

std::string DiskHistoryEntry(const std::string& dateText, double freeSpace) {
  return "^" + dateText + "," + NumberText(freeSpace);
}

std::optional<std::string> LastEntryDay(const std::string& history) {
  // Drop the last free-space value with its comma; then the date is what follows the
  // last "^". A text without a comma keeps its end, as the cut is simply skipped.
  std::string rest = history;
  const std::size_t comma = rest.rfind(',');
  if (comma != std::string::npos) rest.erase(comma);
  const std::size_t caret = rest.rfind('^');
  const std::string dateText = caret == std::string::npos ? rest : rest.substr(caret + 1);
  const std::optional<LocalTime> date = ReadDateText(dateText);
  if (!date) return std::nullopt;
  return DayKey(*date);
}

std::string DropOldestDiskEntries(std::string history, std::size_t newEntryChars,
                                  int32_t definedSize) {
  const auto limit = static_cast<std::size_t>(definedSize < 0 ? 0 : definedSize);
  while (!history.empty() && CharCount(history) + newEntryChars >= limit) {
    // The oldest entry runs from the first character to the next "^". When there is no
    // next one, the newest stored entry itself cannot stay beside the new entry: removing
    // "up to the next ^" would remove nothing and never end, so the entry goes as a whole.
    const std::size_t next = history.find('^', 1);
    if (next == std::string::npos) return {};
    history.erase(0, next);
  }
  return history;
}

std::optional<int> DayNumber(const std::string& text) {
  // "YYYY", a separator of any characters but digits (a locale's may be ". "), the month,
  // the same separator, the day; then no further digit.
  std::size_t pos = 0;
  auto digits = [&](std::size_t most) {
    const std::size_t start = pos;
    while (pos < text.size() && pos - start < most && IsDigit(text[pos])) ++pos;
    return pos - start;
  };
  if (digits(4) != 4) return std::nullopt;
  const std::size_t separatorStart = pos;
  while (pos < text.size() && pos - separatorStart < 16 && !IsDigit(text[pos])) ++pos;
  const std::string separator = text.substr(separatorStart, pos - separatorStart);
  const std::size_t monthStart = pos;
  if (separator.empty() || digits(2) == 0) return std::nullopt;
  const std::size_t monthEnd = pos;
  if (text.compare(pos, separator.size(), separator) != 0) return std::nullopt;
  pos += separator.size();
  const std::size_t dayStart = pos;
  if (digits(2) == 0 || (pos < text.size() && IsDigit(text[pos]))) return std::nullopt;
  const int y0 = std::atoi(text.substr(0, 4).c_str());
  const unsigned m = static_cast<unsigned>(std::atoi(text.substr(monthStart, monthEnd - monthStart).c_str()));
  const unsigned d = static_cast<unsigned>(std::atoi(text.substr(dayStart, pos - dayStart).c_str()));
  static const unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return std::nullopt;
  // Days from civil (proleptic Gregorian), counted from 1970-01-01.
  const int y = y0 - (m <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  if (m == 2 && d == 29 && !((y0 % 4 == 0 && y0 % 100 != 0) || y0 % 400 == 0)) return std::nullopt;
  return era * 146097 + static_cast<int>(doe) - 719468;
}

std::vector<FreeSpacePoint> ParseDiskHistory(const std::string& series) {
  std::vector<FreeSpacePoint> points;
  for (const std::string& piece : SplitList(series)) {
    FreeSpacePoint p;
    const std::size_t comma = piece.rfind(',');
    p.date = comma == std::string::npos ? piece : piece.substr(0, comma);
    p.value = comma == std::string::npos ? "" : piece.substr(comma + 1);
    // Read as the scanner reads it, whatever the locale's separator ("2026. 12. 05").
    const std::optional<LocalTime> date = ReadDateText(p.date);
    const std::optional<int> day = date ? DayNumber(DateText(*date)) : std::nullopt;
    char* end = nullptr;
    const double mb = std::strtod(p.value.c_str(), &end);
    if (day && !p.value.empty() && end != nullptr && *end == '\0' &&
        std::isdigit(static_cast<unsigned char>(p.value[0])) && std::isfinite(mb)) {
      p.day = *day;
      p.megabytes = mb;
      p.valid = true;
    }
    points.push_back(std::move(p));
  }
  return points;
}

std::optional<double> FreeSpaceTrend(const std::vector<FreeSpacePoint>& points) {
  double n = 0, sx = 0, sy = 0;
  for (const auto& p : points) {
    if (!p.valid) continue;
    n += 1;
    sx += p.day;
    sy += p.megabytes;
  }
  if (n < 2) return std::nullopt;
  const double mx = sx / n, my = sy / n;
  double sxx = 0, sxy = 0;
  for (const auto& p : points) {
    if (!p.valid) continue;
    sxx += (p.day - mx) * (p.day - mx);
    sxy += (p.day - mx) * (p.megabytes - my);
  }
  if (sxx <= 0) return std::nullopt;
  // Values near the largest double overflow the sums; such a drive has no trend.
  const double slope = sxy / sxx;
  if (!std::isfinite(slope)) return std::nullopt;
  return slope;
}

}  // namespace korvane

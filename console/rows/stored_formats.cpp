#include "console/rows/stored_formats.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "inventory/software_reconcile.h"

namespace korvane::console {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "2003/02/14 09:05:30" with whatever separators the scanning computer used: digits in
// the places of the pattern, anything but a digit between them.
bool IsTimeStamp(const std::string& text) {
  static const char kPattern[] = "dddd?dd?dd dd?dd?dd";
  if (text.size() != sizeof kPattern - 1) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = IsDigit(text[i]);
    if (kPattern[i] == 'd' ? !digit : digit) return false;
  }
  return true;
}

// Labels of the field entries, without their "changed ".
bool IsFieldLabel(const std::string& label) {
  static const char* const kLabels[] = {
      "Manufacturer", "Model", "Domain", "Boot Device", "Description", "OS", "Service Pack", "OS Version",
      "Physical Memory", "Country Code", "Windows Directory", "BIOS", "BIOS Version", "Serial Number"};
  for (const char* l : kLabels) {
    if (label == l) return true;
  }
  if (label.size() >= 11 && StartsWith(label, "Processor ") && label[10] >= '1' && label[10] <= '4') {
    return label.size() == 11 || label.substr(11) == " speed";
  }
  if (label.size() >= 9 && StartsWith(label, "Drive ") && label[6] >= 'A' && label[6] <= 'Z' && label[7] == ':') {
    const std::string rest = label.substr(8);
    return rest == " Size" || rest == " System";
  }
  return false;
}

// `rest` is what follows "changed from ": "nothing To N", "S To N" or "S To nothing".
void SplitFromTo(const std::string& rest, HistoryEntry& e) {
  if (StartsWith(rest, "nothing To ")) {
    e.to = rest.substr(11);
    return;
  }
  const std::size_t to = rest.find(" To ");
  if (to == std::string::npos) {
    e.from = rest;
    return;
  }
  e.from = rest.substr(0, to);
  e.to = rest.substr(to + 4);
  if (e.kind == ChangeKind::FieldChanged) {
    if (e.to == "nothing") e.to.clear();
    // A number reported gone carries a sign position.
    if (!e.from.empty() && e.from[0] == ' ') e.from.erase(0, 1);
  }
}

void Classify(HistoryEntry& e) {
  static const std::string kInstalled = "New Software installed : ";
  static const std::string kRemoved = "Software removed : ";
  static const std::string kChangedFrom = " changed from ";
  const std::string& t = e.text;
  if (t == "New Record Created") {
    e.kind = ChangeKind::Created;
    return;
  }
  if (StartsWith(t, kInstalled)) {
    e.kind = ChangeKind::SoftwareInstalled;
    e.subject = t.substr(kInstalled.size());
    return;
  }
  if (StartsWith(t, kRemoved)) {
    e.kind = ChangeKind::SoftwareRemoved;
    e.subject = t.substr(kRemoved.size());
    return;
  }
  const std::size_t changed = t.find(kChangedFrom);
  if (changed == std::string::npos) return;
  const std::string label = t.substr(0, changed);
  const std::string rest = t.substr(changed + kChangedFrom.size());
  if (IsFieldLabel(label)) {
    e.kind = ChangeKind::FieldChanged;
    e.subject = label;
    SplitFromTo(rest, e);
    return;
  }
  for (const char* what : {"Version", "Location", "Product ID"}) {
    const std::string suffix = std::string(" ") + what;
    if (label.size() > suffix.size() && label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0) {
      e.kind = ChangeKind::SoftwareChanged;
      e.subject = label.substr(0, label.size() - suffix.size());
      e.what = what;
      SplitFromTo(rest, e);
      return;
    }
  }
}

}  // namespace

std::vector<HistoryEntry> ParseHistory(const std::string& history) {
  std::vector<HistoryEntry> entries;
  for (const std::string& piece : Split(history, '^')) {
    if (piece.empty()) continue;
    const std::size_t tilde = piece.find('~');
    if (tilde != std::string::npos && IsTimeStamp(piece.substr(0, tilde))) {
      HistoryEntry e;
      e.time = piece.substr(0, tilde);
      e.text = piece.substr(tilde + 1);
      entries.push_back(std::move(e));
    } else if (!entries.empty() && !entries.back().time.empty()) {
      entries.back().text += "^" + piece;
    } else {
      entries.push_back(HistoryEntry{"", piece});
    }
  }
  for (HistoryEntry& e : entries) {
    if (!e.time.empty()) Classify(e);
  }
  return entries;
}

std::vector<SoftwareItem> ParseSoftwareList(const std::string& list) {
  std::vector<SoftwareItem> items;
  if (list.empty()) return items;
  for (const std::string& piece : Split(list, '^')) {
    if (piece.empty()) continue;
    SoftwareEntry e = SplitSoftwareItem(piece);
    items.push_back({std::move(e.Program), std::move(e.Version), std::move(e.Location), std::move(e.ProductID)});
  }
  return items;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  if (list.empty()) return items;
  for (std::string& piece : Split(list, '^')) {
    if (!piece.empty()) items.push_back(std::move(piece));
  }
  return items;
}

std::optional<int> DayNumber(const std::string& text) {
  if (text.size() < 10) return std::nullopt;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (!IsDigit(text[i])) return std::nullopt;
  }
  if (IsDigit(text[4]) || IsDigit(text[7]) || (text.size() > 10 && IsDigit(text[10]))) return std::nullopt;
  const int y0 = std::atoi(text.substr(0, 4).c_str());
  const unsigned m = static_cast<unsigned>(std::atoi(text.substr(5, 2).c_str()));
  const unsigned d = static_cast<unsigned>(std::atoi(text.substr(8, 2).c_str()));
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
  for (const std::string& piece : Split(series, '^')) {
    if (piece.empty()) continue;
    FreeSpacePoint p;
    const std::size_t comma = piece.rfind(',');
    p.date = comma == std::string::npos ? piece : piece.substr(0, comma);
    p.value = comma == std::string::npos ? "" : piece.substr(comma + 1);
    const std::optional<int> day = DayNumber(p.date);
    char* end = nullptr;
    const double mb = std::strtod(p.value.c_str(), &end);
    if (day && p.date.size() == 10 && !p.value.empty() && end != nullptr && *end == '\0' &&
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

}  // namespace korvane::console

#include "scan/progress.h"

#include <cctype>
#include <cstdlib>

#include "scan/korvane.h"

namespace korvane {

void ProgRep(Korvane& k, const std::string& line) {
  k.platform.console->AddLine(k.ctx.ConsoleListBox, line);
}

void Progress(Korvane& k, std::string_view item) { ProgRep(k, progress::LineText(k.ctx.ComputerName, item)); }

}  // namespace korvane

namespace korvane::progress {

namespace {

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.')) return std::nullopt;
  }
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string Item(int value) { return std::to_string(value); }

std::string LineText(std::string_view computer, std::string_view item) {
  std::string line(computer);
  line += ',';
  line += item;
  return line;
}

Line ParseLine(const std::string& line) {
  Line item;
  const std::size_t comma = line.rfind(',');
  if (comma == std::string::npos) return item;
  item.computer = line.substr(0, comma);
  const std::string rest = line.substr(comma + 1);
  if (rest == kComplete) {
    item.complete = true;
  } else {
    item.percent = ParseNumber(rest);
    // Under a locale whose decimal separator is a comma the running value carries a
    // second one (PC01,52,6666666666667): its whole part stands between the last two.
    const std::size_t before = item.computer.rfind(',');
    const std::string whole = before == std::string::npos ? std::string() : item.computer.substr(before + 1);
    if (item.percent && rest.find('.') == std::string::npos && !whole.empty() && whole.size() <= 3 &&
        whole.find('.') == std::string::npos && ParseNumber(whole)) {
      item.percent = ParseNumber(whole + "." + rest);
      item.computer.erase(before);
    }
  }
  return item;
}


std::optional<double> SoftwareRun::Next() {
  running_ += step_;
  if (running_ - last_ >= 1) {
    last_ += 1;
    return running_;
  }
  return std::nullopt;
}

}  // namespace korvane::progress

#include "tests/support/doubles.h"

#include <cctype>

namespace korvane::test {

std::vector<std::string> RecordingConsole::Delivered() const {
  std::vector<std::string> texts;
  for (const auto& l : lines) {
    if (l.handle != 0) texts.push_back(l.text);
  }
  return texts;
}

std::optional<std::string> TestProcess::GetEnvironment(std::string_view name) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  for (const auto& [key, value] : environment) {
    if (lower(key) == lower(name)) return value;
  }
  return std::nullopt;
}

}  // namespace korvane::test

#include "tests/support/doubles.h"

#include <strings.h>

namespace korvane::test {

std::vector<std::string> RecordingConsole::Delivered() const {
  std::vector<std::string> texts;
  for (const auto& l : lines) {
    if (l.handle != 0) texts.push_back(l.text);
  }
  return texts;
}

std::optional<std::string> TestProcess::GetEnvironment(std::string_view name) {
  for (const auto& [key, value] : environment) {
    if (strcasecmp(key.c_str(), std::string(name).c_str()) == 0) return value;
  }
  return std::nullopt;
}

}  // namespace korvane::test

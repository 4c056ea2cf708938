// Follows the scanners' shared error log during one console run: remembers where the
// file ended when the run began and hands out the complete lines appended since.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::console {

class LogWatch {
 public:
  explicit LogWatch(std::string path);
  // Reads what was appended since the last call; returns all lines of the run so far.
  const std::vector<std::string>& Lines();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::uintmax_t offset_ = 0;
  std::string partial_;
  std::vector<std::string> lines_;
};

}  // namespace korvane::console

#include "console/log_watch.h"

#include <filesystem>
#include <fstream>

namespace korvane::console {

LogWatch::LogWatch(std::string path) : path_(std::move(path)) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path_, error);
  offset_ = error ? 0 : size;
}

const std::vector<std::string>& LogWatch::Lines() {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return lines_;
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < 0) return lines_;
  // A log that shrank was replaced; read the new one from its start.
  if (static_cast<std::uintmax_t>(end) < offset_) offset_ = 0;
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string text(static_cast<std::size_t>(end) - offset_, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  offset_ += text.size();
  partial_ += text;
  std::size_t start = 0;
  for (std::size_t nl = partial_.find('\n'); nl != std::string::npos; nl = partial_.find('\n', start)) {
    std::string line = partial_.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    start = nl + 1;
  }
  partial_.erase(0, start);
  return lines_;
}

}  // namespace korvane::console

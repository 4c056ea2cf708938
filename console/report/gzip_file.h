// A file written through gzip: the report's one table that grows with every program of
// every computer is written compressed (about a tenth of its size), and any CSV reader
// or `gzip -d` opens it.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

namespace korvane::console {

class GzipFile : public std::ostream {
 public:
  explicit GzipFile(const std::filesystem::path& path);
  ~GzipFile() override;
  // Writes the rest and the gzip trailer; throws RuntimeError when the file could not be
  // written whole.
  void Close();

 private:
  class Buffer;
  std::unique_ptr<Buffer> buffer_;
};

}  // namespace korvane::console

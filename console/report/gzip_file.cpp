#include "console/report/gzip_file.h"

#include <zlib.h>

#include <cstdio>

#include "platform/runtime_error.h"

namespace korvane::console {

class GzipFile::Buffer : public std::streambuf {
 public:
  explicit Buffer(const std::filesystem::path& path) : path_(path), in_(1 << 16), out_(1 << 16) {
    file_ = std::fopen(path.string().c_str(), "wb");
    if (file_ == nullptr) throw RuntimeError(0, "cannot write " + path_.string());
    // Level 1: the table is highly repetitive, so the fastest level already takes it
    // to about a seventh; 31 asks for the gzip wrapper.
    if (deflateInit2(&z_, 1, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      std::fclose(file_);
      throw RuntimeError(0, "cannot compress " + path_.string());
    }
    setp(in_.data(), in_.data() + in_.size());
  }
  ~Buffer() override {
    if (file_ != nullptr) {
      deflateEnd(&z_);
      std::fclose(file_);
    }
  }

  void Close() {
    if (file_ == nullptr) return;
    bool ok = Deflate(Z_FINISH);
    deflateEnd(&z_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) throw RuntimeError(0, "cannot write " + path_.string());
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Deflate(Z_NO_FLUSH)) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return 0; }

 private:
  // Compresses what the put area holds and empties it; with Z_FINISH also the end.
  bool Deflate(int flush) {
    if (file_ == nullptr || failed_) return false;
    z_.next_in = reinterpret_cast<Bytef*>(pbase());
    z_.avail_in = static_cast<uInt>(pptr() - pbase());
    int status = Z_OK;
    do {
      z_.next_out = reinterpret_cast<Bytef*>(out_.data());
      z_.avail_out = static_cast<uInt>(out_.size());
      status = deflate(&z_, flush);
      const std::size_t made = out_.size() - z_.avail_out;
      if (status == Z_STREAM_ERROR || (made > 0 && std::fwrite(out_.data(), 1, made, file_) != made)) {
        failed_ = true;
        return false;
      }
    } while (z_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    setp(in_.data(), in_.data() + in_.size());
    return true;
  }

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  z_stream z_{};
  bool failed_ = false;
  std::vector<char> in_, out_;
};

GzipFile::GzipFile(const std::filesystem::path& path)
    : std::ostream(nullptr), buffer_(std::make_unique<Buffer>(path)) {
  rdbuf(buffer_.get());
}

GzipFile::~GzipFile() = default;

void GzipFile::Close() {
  if (!flush()) throw RuntimeError(0, "cannot write the compressed table");
  buffer_->Close();
}

}  // namespace korvane::console

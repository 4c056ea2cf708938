#include "tests/console/png_check.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

namespace korvane::test {

namespace {

uint32_t BigEndian(const std::string& b, std::size_t at) {
  return (uint32_t{static_cast<unsigned char>(b[at])} << 24) | (uint32_t{static_cast<unsigned char>(b[at + 1])} << 16) |
         (uint32_t{static_cast<unsigned char>(b[at + 2])} << 8) | uint32_t{static_cast<unsigned char>(b[at + 3])};
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

PngSummary SummarisePng(const std::string& bytes) {
  PngSummary s;
  if (bytes.size() < 8 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
    s.error = "not a PNG";
    return s;
  }
  std::string data;
  unsigned channels = 0;
  for (std::size_t at = 8; at + 8 <= bytes.size();) {
    const uint32_t length = BigEndian(bytes, at);
    const std::string type = bytes.substr(at + 4, 4);
    if (at + 12 + length > bytes.size()) break;
    if (type == "IHDR") {
      s.width = BigEndian(bytes, at + 8);
      s.height = BigEndian(bytes, at + 12);
      const int depth = bytes[at + 16], colour = bytes[at + 17], interlace = bytes[at + 20];
      channels = colour == 2 ? 3 : colour == 6 ? 4 : 0;
      if (depth != 8 || channels == 0 || interlace != 0) {
        s.error = "unsupported PNG kind";
        return s;
      }
    } else if (type == "IDAT") {
      data += bytes.substr(at + 8, length);
    }
    at += 12 + length;
  }
  const std::size_t stride = std::size_t{s.width} * channels;
  std::vector<unsigned char> raw((stride + 1) * s.height);
  uLongf size = static_cast<uLongf>(raw.size());
  if (channels == 0 || uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(data.data()),
                                  static_cast<uLong>(data.size())) != Z_OK || size != raw.size()) {
    s.error = "cannot inflate the image data";
    return s;
  }
  std::vector<unsigned char> previous(stride, 0), row(stride);
  std::set<uint32_t> colours;
  uint32_t background = 0;
  std::size_t different = 0;
  for (unsigned y = 0; y < s.height; ++y) {
    const unsigned char* line = &raw[y * (stride + 1)];
    const int filter = line[0];
    for (std::size_t i = 0; i < stride; ++i) {
      const int left = i >= channels ? row[i - channels] : 0, up = previous[i];
      const int corner = i >= channels ? previous[i - channels] : 0;
      const int predictor = filter == 1 ? left : filter == 2 ? up : filter == 3 ? (left + up) / 2
                          : filter == 4 ? Paeth(left, up, corner) : 0;
      row[i] = static_cast<unsigned char>(line[1 + i] + predictor);
    }
    for (std::size_t x = 0; x < s.width; ++x) {
      const unsigned char* p = &row[x * channels];
      const uint32_t colour = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
      if (x == 0 && y == 0) background = colour;
      different += colour != background;
      if (colours.size() < 500) colours.insert(colour);
    }
    previous = row;
  }
  s.ok = true;
  s.distinctColours = colours.size();
  s.nonBackgroundShare = s.width && s.height ? static_cast<double>(different) / (double{1} * s.width * s.height) : 0;
  return s;
}

}  // namespace korvane::test

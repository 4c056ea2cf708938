// Enough of a PNG reader to tell a screenshot with content from a blank one.
#pragma once

#include <cstddef>
#include <string>

namespace korvane::test {

struct PngSummary {
  bool ok = false;
  std::string error;
  unsigned width = 0, height = 0;
  std::size_t distinctColours = 0;   // counted up to a few hundred
  double nonBackgroundShare = 0;     // pixels that differ from the top-left one
};

// 8-bit RGB or RGBA, not interlaced: what Chromium writes.
PngSummary SummarisePng(const std::string& bytes);

}  // namespace korvane::test

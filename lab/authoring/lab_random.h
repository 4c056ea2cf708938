// The lab generator's source of chance. std::mt19937 is specified exactly by the
// standard, the std distributions are not (they differ between library versions), so
// every distribution here is written out by hand: the same seed makes the same lab on
// every system.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace korvane::lab::authoring {

class LabRandom {
 public:
  explicit LabRandom(uint64_t seed) : engine_(static_cast<std::mt19937::result_type>(seed ^ (seed >> 32))) {}

  uint32_t Next() { return static_cast<uint32_t>(engine_()); }

  // A whole number in [low, high], both included, without modulo bias.
  int64_t Between(int64_t low, int64_t high) {
    if (high <= low) return low;
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    const uint64_t limit = UINT64_MAX - UINT64_MAX % span;
    uint64_t draw;
    do {
      draw = (static_cast<uint64_t>(Next()) << 32) | Next();
    } while (draw >= limit);
    return low + static_cast<int64_t>(draw % span);
  }

  // A fraction in [0, 1).
  double Unit() { return Next() / 4294967296.0; }

  bool Chance(double probability) { return Unit() < probability; }

  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Between(0, static_cast<int64_t>(items.size()) - 1))];
  }

  // An index chosen with the given weights.
  std::size_t Weighted(const std::vector<double>& weights) {
    double total = 0;
    for (double w : weights) total += w;
    double at = Unit() * total;
    for (std::size_t i = 0; i < weights.size(); ++i) {
      if (at < weights[i]) return i;
      at -= weights[i];
    }
    return weights.empty() ? 0 : weights.size() - 1;
  }

  std::string Digits(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('0' + Between(0, 9));
    return text;
  }

  std::string Hex(int count) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < count; ++i) text += kHex[Between(0, 15)];
    return text;
  }

  // "{8-4-4-4-12}" in upper-case hex, as uninstall keys of installer products are named.
  std::string Guid() {
    return "{" + Hex(8) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(12) + "}";
  }

 private:
  std::mt19937 engine_;
};

// A stable 64-bit hash (FNV-1a) to derive seeds from names and texts.
inline uint64_t StableHash(const std::string& text, uint64_t start = 1469598103934665603ULL) {
  uint64_t h = start;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

}  // namespace korvane::lab::authoring

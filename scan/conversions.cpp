#include "scan/conversions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/runtime_error.h"

namespace korvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

double ParseNumber(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) throw StandardError(errors::kTypeMismatch);
  const std::string trimmed = text.substr(begin, end - begin);
  // Only plain decimal notation counts as a number; hex, "inf" and "nan" do not.
  for (char c : trimmed) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      throw StandardError(errors::kTypeMismatch);
    }
  }
  char* stop = nullptr;
  errno = 0;
  const double value = std::strtod(trimmed.c_str(), &stop);
  if (stop != trimmed.c_str() + trimmed.size()) throw StandardError(errors::kTypeMismatch);
  if (errno == ERANGE && std::isinf(value)) throw StandardError(errors::kOverflow);
  return value;
}

}  // namespace

std::string NumberText(double value) {
  if (value == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  // %.15g writes large and tiny magnitudes with an exponent; keep the runtime's upper-case
  // form (1E+20) for those.
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string ToText(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty: return {};
    case Variant::Kind::Null: throw StandardError(errors::kInvalidUseOfNull);
    case Variant::Kind::Text: return v.text();
    case Variant::Kind::Long: return std::to_string(v.long_value());
    case Variant::Kind::Double: return NumberText(v.double_value());
    case Variant::Kind::Bool: return v.bool_value() ? "True" : "False";
  }
  return {};
}

double ToDouble(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty: return 0;
    case Variant::Kind::Null: throw StandardError(errors::kInvalidUseOfNull);
    case Variant::Kind::Text: return ParseNumber(v.text());
    case Variant::Kind::Long: return v.long_value();
    case Variant::Kind::Double: return v.double_value();
    case Variant::Kind::Bool: return v.bool_value() ? -1 : 0;
  }
  return 0;
}

int32_t ToLong(const Variant& v) {
  const double d = ToDouble(v);
  const double rounded = std::nearbyint(d);  // the default rounding mode: half to even
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max())) {
    throw StandardError(errors::kOverflow);
  }
  return static_cast<int32_t>(rounded);
}

std::optional<double> WholeMegabytes(double raw, int divisions) {
  double q = raw;
  for (int i = 0; i < divisions; ++i) q /= 1024.0;
  if (!(q >= 0.5)) return std::nullopt;
  return std::round(q);  // halves away from zero
}

std::size_t CharCount(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string FirstChars(const std::string& text, std::size_t n) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (seen == n) return text.substr(0, i);
      ++seen;
    }
  }
  return text;
}

}  // namespace korvane

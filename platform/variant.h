// A value as the database and WMI hand it over: nothing (Empty), Null, text, a 32-bit
// Long, a Double or a Boolean. Null and empty text are different values; several rules
// of the scan depend on telling them apart.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace korvane {

class Variant {
 public:
  enum class Kind { Empty, Null, Text, Long, Double, Bool };

  Variant() = default;
  Variant(std::string text) : value_(std::move(text)) {}  // NOLINT: implicit on purpose
  Variant(const char* text) : value_(std::string(text)) {}  // NOLINT
  Variant(int32_t number) : value_(number) {}  // NOLINT
  Variant(double number) : value_(number) {}  // NOLINT
  static Variant Null() { Variant v; v.value_ = NullTag{}; return v; }
  static Variant Boolean(bool b) { Variant v; v.value_ = b; return v; }

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool IsNull() const { return kind() == Kind::Null; }
  bool IsEmpty() const { return kind() == Kind::Empty; }

  // Accessors for the stored alternative; calling the wrong one is a programming error.
  const std::string& text() const& { return std::get<std::string>(value_); }
  std::string text() && { return std::get<std::string>(std::move(value_)); }
  int32_t long_value() const { return std::get<int32_t>(value_); }
  double double_value() const { return std::get<double>(value_); }
  bool bool_value() const { return std::get<bool>(value_); }

  friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

 private:
  struct EmptyTag { bool operator==(const EmptyTag&) const = default; };
  struct NullTag { bool operator==(const NullTag&) const = default; };
  std::variant<EmptyTag, NullTag, std::string, int32_t, double, bool> value_;
};

}  // namespace korvane

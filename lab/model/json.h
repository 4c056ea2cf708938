// A small JSON value type with its own reader and writer, used for lab files (and by
// whoever writes them). Objects keep their members in the order they were read or set,
// because the order carries meaning in a lab file (registry subkeys enumerate in it).
// Numbers remember whether they were written as integers or with a fraction/exponent, so
// a value round-trips with the same kind. Strings hold UTF-8 and may contain NUL.
//
// Values are plain copyable data; nothing here is shared or thread-aware.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace korvane {

class Json {
 public:
  enum class Type { Null, Bool, Integer, Fraction, String, Array, Object };
  using Array = std::vector<Json>;
  using Member = std::pair<std::string, Json>;
  using Object = std::vector<Member>;

  Json() = default;  // null
  Json(std::nullptr_t) {}  // NOLINT: implicit on purpose, as all value constructors
  Json(bool b) : value_(b) {}  // NOLINT
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  Json(T n) {  // NOLINT
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(int64_t)) {
      // Beyond the signed range there is no exact integer form to keep.
      if (n > static_cast<T>(INT64_MAX)) {
        value_ = static_cast<double>(n);
        return;
      }
    }
    value_ = static_cast<int64_t>(n);
  }
  Json(double d) : value_(d) {}  // NOLINT
  Json(std::string s) : value_(std::move(s)) {}  // NOLINT
  Json(std::string_view s) : value_(std::string(s)) {}  // NOLINT
  Json(const char* s) : value_(std::string(s)) {}  // NOLINT

  static Json MakeArray(std::initializer_list<Json> items = {});
  static Json MakeObject();

  Type type() const { return static_cast<Type>(value_.index()); }
  bool IsNull() const { return type() == Type::Null; }
  bool IsBool() const { return type() == Type::Bool; }
  bool IsInteger() const { return type() == Type::Integer; }
  bool IsNumber() const { return type() == Type::Integer || type() == Type::Fraction; }
  bool IsString() const { return type() == Type::String; }
  bool IsArray() const { return type() == Type::Array; }
  bool IsObject() const { return type() == Type::Object; }

  // Accessors for the stored kind; asking for the wrong one throws std::bad_variant_access.
  bool AsBool() const { return std::get<bool>(value_); }
  int64_t AsInteger() const { return std::get<int64_t>(value_); }
  double AsNumber() const;  // an integer or a fraction
  const std::string& AsString() const { return std::get<std::string>(value_); }
  const Array& items() const { return std::get<Array>(value_); }
  Array& items() { return std::get<Array>(value_); }
  const Object& members() const { return std::get<Object>(value_); }
  Object& members() { return std::get<Object>(value_); }

  // Members by exact key, or with ASCII letters compared without regard to case; nullptr
  // when this is not an object or has no such member.
  const Json* Find(std::string_view key) const;
  const Json* FindNoCase(std::string_view key) const;

  // Builders. Set replaces the value of an existing key in place (keeping its position)
  // or appends a new member; Push appends to an array. Both return *this for chaining.
  // Calling them on the wrong kind turns a null value into that kind first, and throws
  // std::bad_variant_access for any other kind.
  Json& Set(std::string key, Json value);
  Json& Push(Json value);

  friend bool operator==(const Json& a, const Json& b) { return a.value_ == b.value_; }

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string, Array, Object> value_;
};

// Where and why a text is not JSON. line and column count from 1; the column counts
// characters, not bytes.
struct JsonError {
  std::size_t line = 0;
  std::size_t column = 0;
  std::string message;
  // "line 3, column 14: expected ',' or '}'"
  std::string ToString() const;
};

// Reads one JSON value (RFC 8259) from the whole text; a UTF-8 byte order mark in front
// is skipped. Duplicate keys keep the first position and the last value. On failure
// returns nullopt and, when error is given, fills it.
std::optional<Json> ParseJson(std::string_view text, JsonError* error = nullptr);

// Writes a value as JSON text: compact on one line, or pretty with two-space indents and
// one member or item per line. Non-ASCII text is written as UTF-8; control characters
// (NUL included) are escaped. A fraction is always written with a '.' or an exponent so
// that it reads back as a fraction; NaN and infinities, which JSON cannot hold, as null.
std::string Dump(const Json& value, bool pretty = false);

}  // namespace korvane

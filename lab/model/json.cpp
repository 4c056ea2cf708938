#include "lab/model/json.h"

#include "platform/utf16.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <system_error>

namespace korvane {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}


// Recursive descent over the text. The first problem ends the parse; its position is
// recorded where it was found.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<Json> ParseDocument() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    SkipSpace();
    Json value;
    if (!ParseValue(value, 0)) return std::nullopt;
    SkipSpace();
    if (pos_ < text_.size()) {
      Fail("unexpected text after the JSON value");
      return std::nullopt;
    }
    return value;
  }

  JsonError error() const { return error_; }

 private:
  static constexpr int kMaxDepth = 256;

  // Records the first problem; always false so that callers can return it.
  bool Fail(std::string message) { return FailAt(pos_, std::move(message)); }

  bool FailAt(std::size_t at, std::string message) {
    if (!failed_) {
      failed_ = true;
      std::size_t line = 1;
      std::size_t column = 1;
      for (std::size_t i = 0; i < at && i < text_.size(); ++i) {
        const auto c = static_cast<unsigned char>(text_[i]);
        if (c == '\n') {
          ++line;
          column = 1;
        } else if ((c & 0xC0) != 0x80) {  // continuation bytes belong to one character
          ++column;
        }
      }
      error_ = JsonError{line, column, std::move(message)};
    }
    return false;
  }

  void SkipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool AtEnd() const { return pos_ >= text_.size(); }

  bool ParseValue(Json& out, int depth) {
    if (AtEnd()) return Fail("unexpected end of text, expected a value");
    if (depth > kMaxDepth) return Fail("nesting deeper than 256 levels");
    const char c = text_[pos_];
    switch (c) {
      case '{': return ParseObject(out, depth);
      case '[': return ParseArray(out, depth);
      case '"': {
        std::string s;
        if (!ParseString(s)) return false;
        out = Json(std::move(s));
        return true;
      }
      case 't': return ParseLiteral("true", Json(true), out);
      case 'f': return ParseLiteral("false", Json(false), out);
      case 'n': return ParseLiteral("null", Json(), out);
      default:
        if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber(out);
        return Fail(std::string("unexpected character '") + c + "', expected a value");
    }
  }

  bool ParseLiteral(std::string_view word, Json value, Json& out) {
    if (text_.substr(pos_, word.size()) != word) {
      return Fail("unknown word, expected true, false or null");
    }
    pos_ += word.size();
    out = std::move(value);
    return true;
  }

  bool ParseObject(Json& out, int depth) {
    ++pos_;  // '{'
    out = Json::MakeObject();
    SkipSpace();
    if (!AtEnd() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      if (AtEnd() || text_[pos_] != '"') return Fail("expected a member name in double quotes");
      std::string key;
      if (!ParseString(key)) return false;
      SkipSpace();
      if (AtEnd() || text_[pos_] != ':') return Fail("expected ':' after the member name");
      ++pos_;
      SkipSpace();
      Json value;
      if (!ParseValue(value, depth + 1)) return false;
      out.Set(std::move(key), std::move(value));
      SkipSpace();
      if (AtEnd()) return Fail("unexpected end of text, expected ',' or '}'");
      if (text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      return Fail("expected ',' or '}'");
    }
  }

  bool ParseArray(Json& out, int depth) {
    ++pos_;  // '['
    out = Json::MakeArray();
    SkipSpace();
    if (!AtEnd() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      Json value;
      if (!ParseValue(value, depth + 1)) return false;
      out.Push(std::move(value));
      SkipSpace();
      if (AtEnd()) return Fail("unexpected end of text, expected ',' or ']'");
      if (text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      return Fail("expected ',' or ']'");
    }
  }

  bool ParseHex4(uint32_t& value) {
    if (pos_ + 4 > text_.size()) return Fail("incomplete \\u escape");
    value = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_ + static_cast<std::size_t>(i)];
      uint32_t digit;
      if (h >= '0' && h <= '9') {
        digit = static_cast<uint32_t>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        digit = static_cast<uint32_t>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        digit = static_cast<uint32_t>(h - 'A' + 10);
      } else {
        return FailAt(pos_ + static_cast<std::size_t>(i), "bad hex digit in \\u escape");
      }
      value = value * 16 + digit;
    }
    pos_ += 4;
    return true;
  }

  // One UTF-8 encoded character of raw text, checked for well-formedness.
  bool CopyUtf8(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[pos_]);
    std::size_t length;
    uint32_t cp;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++pos_;
      return true;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      cp = lead & 0x07u;
    } else {
      return Fail("text is not valid UTF-8");
    }
    if (pos_ + length > text_.size()) return Fail("text is not valid UTF-8");
    for (std::size_t i = 1; i < length; ++i) {
      const auto c = static_cast<unsigned char>(text_[pos_ + i]);
      if ((c & 0xC0) != 0x80) return Fail("text is not valid UTF-8");
      cp = (cp << 6) | (c & 0x3Fu);
    }
    const uint32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return Fail("text is not valid UTF-8");
    }
    out.append(text_.substr(pos_, length));
    pos_ += length;
    return true;
  }

  bool ParseString(std::string& out) {
    ++pos_;  // opening quote
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      const char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        return Fail("control character in string (write it as an escape)");
      }
      if (c != '\\') {
        if (!CopyUtf8(out)) return false;
        continue;
      }
      const std::size_t escapeAt = pos_;
      ++pos_;
      if (AtEnd()) return Fail("unterminated string");
      const char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = 0;
          if (!ParseHex4(cp)) return false;
          if (cp >= 0xDC00 && cp <= 0xDFFF) return FailAt(escapeAt, "unpaired low surrogate");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (text_.substr(pos_, 2) != "\\u") return FailAt(escapeAt, "unpaired high surrogate");
            pos_ += 2;
            uint32_t low = 0;
            if (!ParseHex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return FailAt(escapeAt, "unpaired high surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          return FailAt(escapeAt, std::string("unknown escape '\\") + e + "'");
      }
    }
  }

  bool ParseNumber(Json& out) {
    const std::size_t start = pos_;
    bool fraction = false;
    if (text_[pos_] == '-') ++pos_;
    if (AtEnd() || !std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      return Fail("expected a digit");
    }
    if (text_[pos_] == '0') {
      ++pos_;
      if (!AtEnd() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        return Fail("leading zeros are not allowed in numbers");
      }
    } else {
      while (!AtEnd() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    if (!AtEnd() && text_[pos_] == '.') {
      fraction = true;
      ++pos_;
      if (AtEnd() || !std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        return Fail("expected a digit after the decimal point");
      }
      while (!AtEnd() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    if (!AtEnd() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      fraction = true;
      ++pos_;
      if (!AtEnd() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (AtEnd() || !std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        return Fail("expected a digit in the exponent");
      }
      while (!AtEnd() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    if (!fraction) {
      int64_t n = 0;
      auto [ptr, ec] = std::from_chars(first, last, n);
      if (ec == std::errc() && ptr == last) {
        out = Json(n);
        return true;
      }
      // Too large for an exact integer: keep it as the nearest fraction.
    }
    double d = 0;
    auto [ptr, ec] = std::from_chars(first, last, d);
    if (ec == std::errc::result_out_of_range) return FailAt(start, "number out of range");
    if (ec != std::errc() || ptr != last) return FailAt(start, "malformed number");
    out = Json(d);
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  bool failed_ = false;
  JsonError error_;
};

void DumpString(std::string& out, const std::string& s) {
  out += '"';
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

void DumpFraction(std::string& out, double d) {
  if (!std::isfinite(d)) {
    out += "null";
    return;
  }
  char buf[32];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, d);
  std::string text(buf, ec == std::errc() ? ptr : buf);
  if (text.find_first_of(".eE") == std::string::npos) text += ".0";
  out += text;
}

void Newline(std::string& out, bool pretty, int depth) {
  if (!pretty) return;
  out += '\n';
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

void DumpValue(std::string& out, const Json& v, bool pretty, int depth) {
  switch (v.type()) {
    case Json::Type::Null: out += "null"; break;
    case Json::Type::Bool: out += v.AsBool() ? "true" : "false"; break;
    case Json::Type::Integer: out += std::to_string(v.AsInteger()); break;
    case Json::Type::Fraction: DumpFraction(out, v.AsNumber()); break;
    case Json::Type::String: DumpString(out, v.AsString()); break;
    case Json::Type::Array: {
      const auto& items = v.items();
      out += '[';
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        Newline(out, pretty, depth + 1);
        DumpValue(out, items[i], pretty, depth + 1);
      }
      if (!items.empty()) Newline(out, pretty, depth);
      out += ']';
      break;
    }
    case Json::Type::Object: {
      const auto& members = v.members();
      out += '{';
      for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0) out += ',';
        Newline(out, pretty, depth + 1);
        DumpString(out, members[i].first);
        out += pretty ? ": " : ":";
        DumpValue(out, members[i].second, pretty, depth + 1);
      }
      if (!members.empty()) Newline(out, pretty, depth);
      out += '}';
      break;
    }
  }
}

}  // namespace

Json Json::MakeArray(std::initializer_list<Json> items) {
  Json j;
  j.value_ = Array(items);
  return j;
}

Json Json::MakeObject() {
  Json j;
  j.value_ = Object();
  return j;
}

double Json::AsNumber() const {
  if (const auto* n = std::get_if<int64_t>(&value_)) return static_cast<double>(*n);
  return std::get<double>(value_);
}

const Json* Json::Find(std::string_view key) const {
  const auto* object = std::get_if<Object>(&value_);
  if (object == nullptr) return nullptr;
  for (const auto& [k, v] : *object) {
    if (k == key) return &v;
  }
  return nullptr;
}

const Json* Json::FindNoCase(std::string_view key) const {
  const auto* object = std::get_if<Object>(&value_);
  if (object == nullptr) return nullptr;
  for (const auto& [k, v] : *object) {
    if (EqualNoCase(k, key)) return &v;
  }
  return nullptr;
}

Json& Json::Set(std::string key, Json value) {
  if (IsNull()) value_ = Object();
  auto& object = std::get<Object>(value_);
  for (auto& [k, v] : object) {
    if (k == key) {
      v = std::move(value);
      return *this;
    }
  }
  object.emplace_back(std::move(key), std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  if (IsNull()) value_ = Array();
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

std::string JsonError::ToString() const {
  return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + message;
}

std::optional<Json> ParseJson(std::string_view text, JsonError* error) {
  Parser parser(text);
  std::optional<Json> value = parser.ParseDocument();
  if (!value && error != nullptr) *error = parser.error();
  return value;
}

std::string Dump(const Json& value, bool pretty) {
  std::string out;
  DumpValue(out, value, pretty, 0);
  return out;
}

}  // namespace korvane

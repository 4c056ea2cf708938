#include "console/text/escaping.h"

#include <cstdio>
#include <string_view>

namespace korvane::console {

namespace {

// Length of the UTF-8 sequence at `i`, or 0 when it is not a valid one.
std::size_t SequenceLength(const std::string& t, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(t[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  std::size_t n;
  unsigned int cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1Fu;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0Fu;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07u;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3Fu);
  }
  if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
    return 0;
  }
  return n;
}

const char kReplacement[] = "\xEF\xBF\xBD";

bool IsValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    // Most stored text is ASCII: whole runs of it are passed over at once.
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::string ValidUtf8(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = SequenceLength(text, i);
    if (n == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

namespace {

// `text` when it is valid UTF-8 already (nearly always), else its repair in `repaired`.
const std::string& Valid(const std::string& text, std::string& repaired) {
  if (IsValidUtf8(text)) return text;
  repaired = ValidUtf8(text);
  return repaired;
}

}  // namespace

std::string Html(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  std::string repaired;
  for (char c : Valid(text, repaired)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        out += c;
    }
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  std::string repaired;
  for (char c : Valid(text, repaired)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char code[8];
          std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
          out += code;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::streambuf::int_type TerminalStream::Lines::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  xsputn(&ch, 1);
  return c;
}

std::streamsize TerminalStream::Lines::xsputn(const char* text, std::streamsize n) {
  line_.append(text, static_cast<std::size_t>(n));
  // A line feed ends any UTF-8 sequence, so line by line is the same as all at once.
  if (line_.find('\n') != std::string::npos) {
    const std::size_t end = line_.rfind('\n') + 1;
    out_ << TerminalText(line_.substr(0, end));
    line_.erase(0, end);
  }
  return n;
}

void TerminalStream::Lines::Flush() {
  if (!line_.empty()) out_ << TerminalText(line_);
  line_.clear();
}

TerminalStream::TerminalStream(std::ostream& target) : std::ostream(nullptr), lines_(target) { rdbuf(&lines_); }

TerminalStream::~TerminalStream() { lines_.Flush(); }

std::string CsvField(const std::string& text) {
  std::string repaired;
  const std::string& t = Valid(text, repaired);
  if (t.find_first_of(",\"\r\n") == std::string::npos && (t.empty() || t[0] != ' ')) return t;
  std::string out = "\"";
  for (char c : t) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string TerminalText(const std::string& text) {
  const std::string t = ValidUtf8(text);
  std::string out;
  out.reserve(t.size());
  char code[8];
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto c = static_cast<unsigned char>(t[i]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7f) {
      std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned>(c));
      out += code;
    } else if (c == 0xc2 && i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(t[i + 1]) <= 0x9f) {
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(t[i + 1])));
      out += code;
      ++i;
    } else {
      out += t[i];
    }
  }
  return out;
}

std::string CsvCell(const std::string& text, bool raw) {
  if (!raw && !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos) {
    return CsvField("'" + text);
  }
  return CsvField(text);
}

}  // namespace korvane::console

#include "platform/db/sql_text.h"

#include <cctype>

namespace korvane::db {

namespace {

bool IsIdentifierChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) != 0 || c == '_' || c == '$' || u >= 0x80;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Index just past the quoted section that starts at `i` ('...', "..." or [...]), with
// doubled closing characters taken as part of the text. Unterminated: the end.
std::size_t SkipQuoted(const std::string& s, std::size_t i) {
  const char close = s[i] == '[' ? ']' : s[i];
  for (std::size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] != close) continue;
    if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return s.size();
}

bool IsQuote(char c) { return c == '\'' || c == '"' || c == '['; }

// Position of the first top-level keyword `word` (lower case) outside quotes and
// parentheses, as a whole word.
std::optional<std::size_t> FindTopLevelKeyword(const std::string& s, const std::string& word) {
  int depth = 0;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (IsQuote(c)) {
      i = SkipQuoted(s, i);
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth == 0 && (i == 0 || !IsIdentifierChar(s[i - 1])) && i + word.size() <= s.size()) {
      bool match = true;
      for (std::size_t k = 0; k < word.size() && match; ++k) match = Lower(s[i + k]) == word[k];
      if (match && (i + word.size() == s.size() || !IsIdentifierChar(s[i + word.size()]))) {
        return i;
      }
    }
    ++i;
  }
  return std::nullopt;
}

std::size_t SkipSpace(const std::string& s, std::size_t i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])) != 0) ++i;
  return i;
}

// Reads a plain or quoted table name at `i`; empty when there is none.
std::string ReadName(const std::string& s, std::size_t& i) {
  const std::size_t start = i;
  if (i < s.size() && IsQuote(s[i]) && s[i] != '\'') {
    i = SkipQuoted(s, i);
    return s.substr(start, i - start);
  }
  while (i < s.size() && (IsIdentifierChar(s[i]) || s[i] == '.')) ++i;
  return s.substr(start, i - start);
}

}  // namespace

std::string RemoveNationalPrefix(const std::string& query) {
  std::string out;
  out.reserve(query.size());
  for (std::size_t i = 0; i < query.size();) {
    const char c = query[i];
    if (IsQuote(c)) {
      const std::size_t end = SkipQuoted(query, i);
      out.append(query, i, end - i);
      i = end;
      continue;
    }
    const bool prefix = (c == 'N' || c == 'n') && i + 1 < query.size() && query[i + 1] == '\'' &&
                        (i == 0 || !IsIdentifierChar(query[i - 1]));
    if (!prefix) out += c;
    ++i;
  }
  return out;
}

std::optional<std::string> WholeTableName(const std::string& query) {
  const std::string& s = query;
  std::size_t i = SkipSpace(s, 0);
  auto word = [&](const std::string& w) {
    for (std::size_t k = 0; k < w.size(); ++k) {
      if (i + k >= s.size() || Lower(s[i + k]) != w[k]) return false;
    }
    if (i + w.size() < s.size() && IsIdentifierChar(s[i + w.size()])) return false;
    i += w.size();
    return true;
  };
  if (!word("select")) return std::nullopt;
  i = SkipSpace(s, i);
  if (i >= s.size() || s[i] != '*') return std::nullopt;
  i = SkipSpace(s, i + 1);
  if (!word("from")) return std::nullopt;
  i = SkipSpace(s, i);
  std::string name = ReadName(s, i);
  if (name.empty()) return std::nullopt;
  i = SkipSpace(s, i);
  if (i < s.size() && s[i] == ';') i = SkipSpace(s, i + 1);
  if (i != s.size()) return std::nullopt;
  return name;
}

std::optional<std::string> TableOfQuery(const std::string& query) {
  const auto from = FindTopLevelKeyword(query, "from");
  if (!from) return std::nullopt;
  std::size_t i = SkipSpace(query, *from + 4);
  std::string name = ReadName(query, i);
  if (name.empty()) return std::nullopt;
  // A join or a list of tables is no single table to write to.
  i = SkipSpace(query, i);
  if (i < query.size() && query[i] == ',') return std::nullopt;
  if (FindTopLevelKeyword(query.substr(i), "join")) return std::nullopt;
  return name;
}

std::optional<std::string> AppendToSelectList(const std::string& query,
                                              const std::string& expression) {
  const auto from = FindTopLevelKeyword(query, "from");
  if (!from) return std::nullopt;
  std::size_t end = *from;
  while (end > 0 && std::isspace(static_cast<unsigned char>(query[end - 1])) != 0) --end;
  return query.substr(0, end) + ", " + expression + query.substr(end);
}

std::optional<KeyComparison> FindKeyComparison(const std::string& query) {
  const auto where = FindTopLevelKeyword(query, "where");
  if (!where) return std::nullopt;
  std::size_t i = SkipSpace(query, *where + 5);
  int parentheses = 0;
  while (i < query.size() && query[i] == '(') {
    ++parentheses;
    i = SkipSpace(query, i + 1);
  }
  KeyComparison found;
  found.begin = i;
  found.column = ReadName(query, i);
  if (found.column.empty() || found.column.find('.') != std::string::npos) return std::nullopt;
  i = SkipSpace(query, i);
  if (i >= query.size() || query[i] != '=') return std::nullopt;
  i = SkipSpace(query, i + 1);
  if (i >= query.size() || query[i] != '\'') return std::nullopt;
  for (++i;; ++i) {
    if (i >= query.size()) return std::nullopt;  // unterminated
    if (query[i] != '\'') {
      found.value += query[i];
    } else if (i + 1 < query.size() && query[i + 1] == '\'') {
      found.value += query[i++];
    } else {
      break;
    }
  }
  found.end = i + 1;
  i = SkipSpace(query, found.end);
  for (; parentheses > 0; --parentheses) {
    if (i >= query.size() || query[i] != ')') return std::nullopt;
    i = SkipSpace(query, i + 1);
  }
  if (i < query.size() && query[i] == ';') i = SkipSpace(query, i + 1);
  if (i != query.size()) return std::nullopt;
  return found;
}

std::string TextLiteral(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace korvane::db

// Small, quote-aware surgery on the query texts the scan sends. The texts are sent as
// they stand except where an engine cannot use them: the N'...' prefix is dropped, a
// hidden row locator is appended to the select list, and whole-table queries are
// recognised so that they need not fetch the table.
#pragma once

#include <optional>
#include <string>

namespace korvane::db {

// Drops the N of every N'...' literal, looking only outside quoted text, quoted
// identifiers and bracketed names; an N that ends an identifier (PLAN'x') stays.
std::string RemoveNationalPrefix(const std::string& query);

// "SELECT * From Asset" (any letter case and spacing, an optional trailing semicolon):
// the table name; otherwise nothing.
std::optional<std::string> WholeTableName(const std::string& query);

// The table named by the first top-level FROM of a query, when it is a plain name.
std::optional<std::string> TableOfQuery(const std::string& query);

// Inserts ", " & expression at the end of the select list (before the first top-level
// FROM). Returns nothing when the query has no such FROM.
std::optional<std::string> AppendToSelectList(const std::string& query,
                                              const std::string& expression);

// A WHERE clause that is one comparison of a column with a text literal, as in the
// per-computer queries: "WHERE (Computer = 'PC01')", parentheses optional, nothing after
// it but a semicolon. `begin` and `end` delimit the comparison in the query text.
struct KeyComparison {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string column;  // as written
  std::string value;   // the literal's text, its doubled apostrophes undone
};
std::optional<KeyComparison> FindKeyComparison(const std::string& query);

// value as an SQL text literal: in apostrophes, its own apostrophes doubled.
std::string TextLiteral(const std::string& value);

}  // namespace korvane::db

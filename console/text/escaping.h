// Putting inventory texts into other formats. Every text read from an inventory came from
// a target computer or an operator and may hold anything: markup, quotes, separators,
// line breaks, bytes that are not UTF-8. These make it inert in each format.
#pragma once

#include <string>

namespace korvane::console {

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

// Text for HTML content and quoted attribute values: & < > " ' escaped, invalid UTF-8
// replaced, control characters other than tab and line breaks dropped.
std::string Html(const std::string& text);

// A JSON string literal, quotes included.
std::string JsonString(const std::string& text);

// One CSV field (RFC 4180): quoted when it holds a comma, quote, CR or LF, or begins
// with a blank; quotes doubled.
std::string CsvField(const std::string& text);

}  // namespace korvane::console

// Putting inventory texts into other formats. Every text read from an inventory came from
// a target computer or an operator and may hold anything: markup, quotes, separators,
// line breaks, bytes that are not UTF-8. These make it inert in each format.
#pragma once

#include <ostream>
#include <streambuf>
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

// Text for a terminal: control characters other than tab and line feed (C0, DEL and the
// C1 controls) shown as visible escapes (\x1b, \u009b), so that no stored text can move
// the cursor, set the title or write the clipboard; invalid UTF-8 replaced.
std::string TerminalText(const std::string& text);

// A stream whose text reaches `out` through TerminalText a line at a time, so that a
// listing of a whole inventory is made safe as it is written rather than held whole.
class TerminalStream : public std::ostream {
 public:
  explicit TerminalStream(std::ostream& target);
  ~TerminalStream() override;

 private:
  class Lines : public std::streambuf {
   public:
    explicit Lines(std::ostream& target) : out_(target) {}
    void Flush();

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize n) override;

   private:
    std::ostream& out_;
    std::string line_;
  };
  Lines lines_;
};

// One CSV cell for a spreadsheet: a text starting with =, +, -, @, tab or CR (which a
// spreadsheet would take for a formula) gets a leading apostrophe, unless `raw`; then
// quoted as CsvField does.
std::string CsvCell(const std::string& text, bool raw);

}  // namespace korvane::console

// Texts as every inventory backend can hold them, and the same on each: the program's
// text is UTF-8, but a name or value can arrive with bytes that are not (a target list
// saved in a Windows code page) or with NUL characters (registry multi-strings, a
// hostile WMI answer), which PostgreSQL text cannot hold and which end an SQL text.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Valid UTF-8 is kept as it is; each byte that does not begin a valid UTF-8 sequence is
// read as its Windows-1252 character (the five bytes that code page leaves undefined as
// the C1 controls of the same number); NUL becomes a blank. Applying it twice changes
// nothing more.
std::string StorableText(std::string_view text);

}  // namespace korvane

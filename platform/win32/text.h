// Text conversions at the Windows calls. Inside the program text is UTF-8. The wide (W)
// calls get UTF-16; the ANSI (A) calls get the process's ANSI code page, which the
// application manifest makes UTF-8 on current Windows, so there nothing is converted.
// On a system that ignores the manifest, characters the code page lacks become its
// replacement character, as they would for any ANSI program.
#pragma once

#include <string>
#include <string_view>

namespace korvane::win32 {

std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);
std::string FromWide(const wchar_t* wide);  // nullptr gives empty text

std::string ToAnsi(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);

}  // namespace korvane::win32

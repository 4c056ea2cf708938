#include "platform/win32/text.h"

#include "platform/win32/windows_api.h"

namespace korvane::win32 {

namespace {

std::wstring Decode(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
  return wide;
}

std::string Encode(UINT codePage, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), length, text.data(), bytes, nullptr, nullptr);
  return text;
}

bool AnsiIsUtf8() { return GetACP() == CP_UTF8; }

}  // namespace

std::wstring ToWide(std::string_view utf8) { return Decode(CP_UTF8, utf8); }
std::string FromWide(std::wstring_view wide) { return Encode(CP_UTF8, wide); }
std::string FromWide(const wchar_t* wide) {
  return wide == nullptr ? std::string() : FromWide(std::wstring_view(wide));
}

std::string ToAnsi(std::string_view utf8) {
  if (AnsiIsUtf8()) return std::string(utf8);
  return Encode(CP_ACP, ToWide(utf8));
}

std::string FromAnsi(std::string_view ansi) {
  if (AnsiIsUtf8()) return std::string(ansi);
  return FromWide(Decode(CP_ACP, ansi));
}

}  // namespace korvane::win32

#include "console/text/inventory_text.h"

#include <cstdio>

namespace korvane::console {

namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

std::size_t Utf8Length(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// Byte position of the character number `chars`.
std::size_t Utf8Offset(const std::string& text, std::size_t chars) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (n == chars) return i;
      ++n;
    }
  }
  return text.size();
}

}  // namespace

std::string ShortOsName(const std::string& caption, const std::string& servicePack) {
  std::string name = caption;
  ReplaceAll(name, "(R)", "");
  ReplaceAll(name, "\xC2\xAE", "");  // the registered sign itself
  if (name.rfind("Microsoft ", 0) == 0) name.erase(0, 10);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  ReplaceAll(name, "  ", " ");
  std::string pack = servicePack;
  if (pack.rfind("Service Pack ", 0) == 0) pack = "SP" + pack.substr(13);
  if (!pack.empty()) name += (name.empty() ? "" : " ") + pack;
  return name;
}

std::string SizeText(double megabytes) {
  char text[32];
  if (megabytes < 1024) {
    std::snprintf(text, sizeof text, "%.0f MB", megabytes);
  } else if (megabytes < 1024.0 * 1024.0) {
    std::snprintf(text, sizeof text, "%.1f GB", megabytes / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.2f TB", megabytes / (1024.0 * 1024.0));
  }
  return text;
}

std::string Column(const std::string& text, std::size_t width) {
  const std::size_t length = Utf8Length(text);
  if (length <= width) return text + std::string(width - length, ' ');
  if (width == 0) return "";
  return text.substr(0, Utf8Offset(text, width - 1)) + "~";
}

}  // namespace korvane::console

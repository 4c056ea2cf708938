#include "console/text/inventory_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvane::console {

namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

// Columns a character takes on a terminal: none for combining marks and zero-width
// characters, two for the wide East Asian ones and most emoji, one otherwise.
int CharacterWidth(char32_t c) {
  if (c == 0) return 0;
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x0483 && c <= 0x0489) || (c >= 0x0591 && c <= 0x05BD) ||
      (c >= 0x0610 && c <= 0x061A) || (c >= 0x064B && c <= 0x065F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
      (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x200B && c <= 0x200F) || (c >= 0x20D0 && c <= 0x20FF) ||
      (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0xFEFF) {
    return 0;
  }
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD)) {
    return 2;
  }
  return 1;
}

// The versions Windows NT has reported, each with the releases that share it.
struct WindowsVersion {
  const char* number;
  const char* name;
};
constexpr WindowsVersion kWindowsVersions[] = {
    {"5.0", "Windows 2000"},
    {"5.1", "Windows XP"},
    {"5.2", "Windows Server 2003 / XP x64"},
    {"6.0", "Windows Vista / Server 2008"},
    {"6.1", "Windows 7 / Server 2008 R2"},
    {"6.2", "Windows 8 / Server 2012"},
    {"6.3", "Windows 8.1 / Server 2012 R2"},
    {"10.0", "Windows 10 / 11 / Server 2016 and later"},
};

}  // namespace

std::string NamedWindowsVersion(const std::string& version) {
  // Only digits and dots, and at least "major.minor".
  if (version.empty() || version.find_first_not_of("0123456789.") != std::string::npos) return version;
  const std::size_t first = version.find('.');
  if (first == std::string::npos || first == 0) return version;
  std::string majorMinor = version.substr(0, version.find('.', first + 1));
  // A scan without WMI keeps the first three characters: "10.0" arrives as "10.".
  if (majorMinor.size() == 3 && first == 2 && version.size() == 3) majorMinor += '0';
  for (const WindowsVersion& v : kWindowsVersions) {
    if (majorMinor == v.number) return std::string(v.name) + " (" + version + ")";
  }
  return version;
}

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

std::string DaysText(double days) {
  const double whole = std::floor(days + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, whole == 1 ? "%.0f day" : "%.0f days", whole);
  return text;
}

std::size_t DisplayWidth(const std::string& text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    width += static_cast<std::size_t>(CharacterWidth(c));
    i += length;
  }
  return width;
}

std::string Column(const std::string& text, std::size_t width) {
  const std::size_t shown = DisplayWidth(text);
  return shown < width ? text + std::string(width - shown, ' ') : text;
}

std::string ValueOrUnknown(const std::string& number) {
  if (number.empty()) return "unknown";
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  return end != number.c_str() && value == 0 ? "unknown" : number;
}

}  // namespace korvane::console

#include "console/inventory_text.h"

#include <cstdio>

namespace korvane::console {

namespace {

const std::string kSection = "\xC2\xA7";  // U+00A7 in UTF-8

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
}

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

std::vector<HistoryEntry> SplitHistory(const std::string& history) {
  std::vector<HistoryEntry> entries;
  for (const auto& piece : Split(history, "^")) {
    if (piece.empty()) continue;
    const std::size_t tilde = piece.find('~');
    if (tilde == std::string::npos) {
      entries.push_back({"", piece});
    } else {
      entries.push_back({piece.substr(0, tilde), piece.substr(tilde + 1)});
    }
  }
  return entries;
}

std::vector<FreeSpacePoint> SplitDiskHistory(const std::string& series) {
  std::vector<FreeSpacePoint> points;
  for (const auto& piece : Split(series, "^")) {
    if (piece.empty()) continue;
    const std::size_t comma = piece.rfind(',');
    if (comma == std::string::npos) {
      points.push_back({piece, ""});
    } else {
      points.push_back({piece.substr(0, comma), piece.substr(comma + 1)});
    }
  }
  return points;
}

std::vector<SoftwareItem> SplitSoftwareList(const std::string& list) {
  std::vector<SoftwareItem> items;
  if (list.empty()) return items;
  for (const auto& piece : Split(list, "^")) {
    std::vector<std::string> parts = Split(piece, kSection);
    parts.resize(4);
    items.push_back({parts[0], parts[1], parts[2], parts[3]});
  }
  return items;
}

std::vector<std::string> SplitList(const std::string& list) {
  if (list.empty()) return {};
  return Split(list, "^");
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

std::string Column(const std::string& text, std::size_t width) {
  const std::size_t length = Utf8Length(text);
  if (length <= width) return text + std::string(width - length, ' ');
  if (width == 0) return "";
  return text.substr(0, Utf8Offset(text, width - 1)) + "~";
}

}  // namespace korvane::console

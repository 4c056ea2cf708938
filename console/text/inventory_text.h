// Small texts for people to read: short OS names, sizes, fixed-width columns. Pure
// functions, no database.
#pragma once

#include <string>
#include <vector>

namespace korvane::console {

// "Microsoft Windows XP Professional" + "Service Pack 2" -> "Windows XP Professional SP2"
std::string ShortOsName(const std::string& caption, const std::string& servicePack);

// Megabytes as "980 MB", "12.0 GB", "1.50 TB".
std::string SizeText(double megabytes);

// The columns a UTF-8 text takes on a terminal (wide East Asian characters two, combining
// marks none).
std::size_t DisplayWidth(const std::string& text);

// Pads text with blanks to `width` terminal columns; a longer text is kept whole (the
// column widens for that line rather than cut what an operator needs).
std::string Column(const std::string& text, std::size_t width);

// A stored amount for people: "unknown" where the inventory holds none or 0 (a scan that
// could not read it stores 0; no computer has 0 MB of memory).
std::string ValueOrUnknown(const std::string& number);

}  // namespace korvane::console

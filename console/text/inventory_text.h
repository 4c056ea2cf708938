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

// Cuts text to `width` characters (UTF-8 aware), marking a cut with "~"; pads with blanks.
std::string Column(const std::string& text, std::size_t width);

}  // namespace korvane::console

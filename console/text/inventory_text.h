// Small texts for people to read: short OS names, sizes, fixed-width columns. Pure
// functions, no database.
#pragma once

#include <string>
#include <vector>

namespace korvane::console {

// "Microsoft Windows XP Professional" + "Service Pack 2" -> "Windows XP Professional SP2"
std::string ShortOsName(const std::string& caption, const std::string& servicePack);

// A bare Windows version (what a scan without WMI stores as the system's name) with its
// usual name: "6.1" -> "Windows 7 / Server 2008 R2 (6.1)";
// "6.1.7601" is named by its first two numbers. Any other text, a full name included,
// is returned as it is.
std::string NamedWindowsVersion(const std::string& version);

// Megabytes as "980 MB", "12.0 GB", "1.50 TB".
std::string SizeText(double megabytes);

// A count of days rounded to whole days: "0 days", "1 day", "12 days".
std::string DaysText(double days);

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

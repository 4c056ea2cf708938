// Taking apart the texts the scanners store, for people to read: the History column,
// the DiskHistory series and the software list. Pure functions, no database.
#pragma once

#include <string>
#include <vector>

namespace korvane::console {

struct HistoryEntry {
  std::string time;  // "YYYY/MM/DD HH:MM:SS"
  std::string text;  // the change text
};

// Entries "time~text" separated (and ended) by "^". A piece without "~" is kept as text
// without a time; empty pieces are dropped.
std::vector<HistoryEntry> SplitHistory(const std::string& history);

struct FreeSpacePoint {
  std::string date;  // "YYYY/MM/DD"
  std::string megabytes;
};

// "^date,free^date,free..."
std::vector<FreeSpacePoint> SplitDiskHistory(const std::string& series);

struct SoftwareItem {
  std::string program, version, location, productId;
};

// Items joined with "^", each four parts joined with the section sign.
std::vector<SoftwareItem> SplitSoftwareList(const std::string& list);

// Items of a "^"-joined list (the service list); empty text has none.
std::vector<std::string> SplitList(const std::string& list);

// "Microsoft Windows XP Professional" + "Service Pack 2" -> "Windows XP Professional SP2"
std::string ShortOsName(const std::string& caption, const std::string& servicePack);

// Megabytes as "980 MB", "12.0 GB", "1.50 TB".
std::string SizeText(double megabytes);

// Cuts text to `width` characters (UTF-8 aware), marking a cut with "~"; pads with blanks.
std::string Column(const std::string& text, std::size_t width);

}  // namespace korvane::console

#include "formats/software_list_text.h"

namespace korvane {

namespace {

// Takes the text before the next section sign and moves `from` past it; the rest of the
// text when there is none.
std::string NextPart(std::string_view item, std::size_t& from) {
  if (from > item.size()) return {};
  const std::size_t sign = item.find(kSectionSign, from);
  if (sign == std::string_view::npos) {
    std::string part(item.substr(from));
    from = item.size() + 1;
    return part;
  }
  std::string part(item.substr(from, sign - from));
  from = sign + kSectionSign.size();
  return part;
}

}  // namespace

std::string SoftwareItemText(const std::string& program, const std::string& version,
                             const std::string& location, const std::string& productId) {
  std::string item = program;
  item += kSectionSign;
  item += version;
  item += kSectionSign;
  item += location;
  item += kSectionSign;
  item += productId;
  return item;
}

std::string JoinList(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) {
    if (&item != &items.front()) joined += kListSeparator;
    joined += item;
  }
  return joined;
}

SoftwareEntry SplitSoftwareItem(std::string_view item) {
  SoftwareEntry e;
  std::size_t from = 0;
  e.Program = NextPart(item, from);
  e.Version = NextPart(item, from);
  e.Location = NextPart(item, from);
  if (from <= item.size()) e.ProductID = std::string(item.substr(from));
  return e;
}

std::vector<SoftwareEntry> ParseSoftwareList(const std::string& list) {
  std::vector<SoftwareEntry> items;
  for (const std::string& piece : SplitList(list)) items.push_back(SplitSoftwareItem(piece));
  return items;
}

std::size_t CountListItems(const std::string& list) {
  std::size_t count = 0, start = 0;
  while (start <= list.size()) {
    std::size_t at = list.find(kListSeparator, start);
    if (at == std::string::npos) at = list.size();
    count += at > start;
    start = at + 1;
  }
  return count;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t at = list.find(kListSeparator, start);
    if (at == std::string::npos) at = list.size();
    if (at > start) items.push_back(list.substr(start, at - start));
    start = at + 1;
  }
  return items;
}

}  // namespace korvane

#include "inventory/software_reconcile.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "scan/conversions.h"
#include "scan/error_handling.h"
#include "scan/korvane.h"
#include "inventory/history.h"
#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace {

bool AtMostOneChar(std::string_view rest) {
  return rest.size() <= 4 && CharCount(std::string(rest)) <= 1;
}

unsigned char AsciiLower(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// The order shown to people: by name without regard to letter case, programs of equal
// names in the order they were listed. Matching is exact whatever the order.
bool ProgramBefore(const SoftwareEntry& a, const SoftwareEntry& b) {
  return std::lexicographical_compare(
      a.Program.begin(), a.Program.end(), b.Program.begin(), b.Program.end(),
      [](char x, char y) { return AsciiLower(x) < AsciiLower(y); });
}

}  // namespace

void LoadSoftwareList(const std::string& listText, SoftwareTable& list) {
  if (listText.empty()) return;
  const std::string_view text = listText;
  std::size_t rest = 0;  // the unread remainder starts here
  for (;;) {
    std::string_view item;
    const std::size_t caret = text.find('^', rest);
    if (caret == std::string_view::npos) {
      item = text.substr(rest);
      rest = text.size();
    } else {
      item = text.substr(rest, caret - rest);
      rest = caret + 1;
    }
    if (item.empty()) return;  // an empty item ends the load, unsorted
    SoftwareEntry entry = SplitSoftwareItem(item);
    if (entry.Program.empty()) continue;
    list.push_back(std::move(entry));
    if (AtMostOneChar(text.substr(rest))) break;
  }
  std::stable_sort(list.begin(), list.end(), ProgramBefore);
}

void CompareSoftwareLists(const SoftwareTable& stored, const SoftwareTable& collected,
                          const std::function<void(const std::string&)>& record) {
  // Counting either list in a 16-bit counter overflows before the first comparison.
  if (stored.size() > kMaxComparedPrograms || collected.size() > kMaxComparedPrograms) {
    throw StandardError(errors::kOverflow);
  }

  std::unordered_map<std::string_view, std::size_t> firstCollected;
  firstCollected.reserve(collected.size());
  for (std::size_t j = 0; j < collected.size(); ++j) {
    firstCollected.emplace(collected[j].Program, j);  // keeps the first of equal names
  }

  for (const SoftwareEntry& s : stored) {
    const auto found = firstCollected.find(s.Program);
    if (found == firstCollected.end()) {
      record(history_text::SoftwareRemovedText(s.Program));
      continue;
    }
    const SoftwareEntry& c = collected[found->second];
    if (s.Version != c.Version) {
      record(history_text::SoftwareChangedText(s.Program, "Version", s.Version, c.Version));
    }
    if (s.Location != c.Location) {
      record(history_text::SoftwareChangedText(s.Program, "Location", s.Location, c.Location));
    }
    if (s.ProductID != c.ProductID) {
      record(history_text::SoftwareChangedText(s.Program, "Product ID", s.ProductID, c.ProductID));
    }
  }

  std::unordered_set<std::string_view> storedNames;
  storedNames.reserve(stored.size());
  for (const SoftwareEntry& s : stored) storedNames.insert(s.Program);
  for (const SoftwareEntry& c : collected) {
    if (!storedNames.contains(c.Program)) record(history_text::SoftwareInstalledText(c.Program));
  }
}

void CompareSoftware(Korvane& k) {
  CompareSoftwareLists(k.ListView1, k.ListView2,
                       [&k](const std::string& change) { AppendSoftwareEntry(k, change); });
}

void UpdateSoftware(Korvane& k, const std::string& storedList, const std::string& collectedList) {
  if (storedList == collectedList) return;
  Attempt([&] { LoadSoftwareList(storedList, k.ListView1); });
  Attempt([&] { LoadSoftwareList(collectedList, k.ListView2); });
  Attempt([&] { CompareSoftware(k); });
}

}  // namespace korvane

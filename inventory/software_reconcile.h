// Software changes between two full scans: the stored software list of the computer
// against the collected one, each program found installed, removed or changed recorded
// as an entry in the Asset row's History (uncut).
//
// The two lists are loaded into the form's tables (ListView1 stored, ListView2
// collected), sorted by program name, and compared by exact name with the first match
// winning. The comparison produces the entries of a nested scan in both directions but
// looks names up in hash maps, so two lists of thousands of programs compare at once.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "formats/software_list_text.h"
#include "scan/scratch_lists.h"

namespace korvane {

struct Korvane;

// The lists are counted with 16-bit counters; a longer list ends the comparison.
inline constexpr std::size_t kMaxComparedPrograms = 32767;

// Adds the items of a list text to `list` and sorts it by Program (stable). Items
// without a name are skipped; an empty item ends the load at once, leaving the rows
// unsorted; a remainder of one character after an item is not loaded.
void LoadSoftwareList(const std::string& listText, SoftwareTable& list);

// Calls `record` with each change text, in the order of the entries: per stored row
// (removed, or version, location, product ID changes), then each collected program that
// no stored row names. A list longer than kMaxComparedPrograms raises "Overflow" before
// anything is recorded; an exception from `record` ends the comparison there.
void CompareSoftwareLists(const SoftwareTable& stored, const SoftwareTable& collected,
                          const std::function<void(const std::string&)>& record);

// Compares k.ListView1 with k.ListView2 and appends one History entry per change.
// Traps nothing.
void CompareSoftware(Korvane& k);

// Loads both list texts and compares them unless they are identical. Ignore-and-continue:
// a failing step is skipped, a failing comparison simply ends; nothing is logged.
void UpdateSoftware(Korvane& k, const std::string& storedList, const std::string& collectedList);

}  // namespace korvane

// Days passing in a simulated network: programs installed, removed and upgraded, disks
// filling and emptying, memory and processor upgrades, users changing, now and then a
// computer renamed in WMI or a drive gone. Works on the lab computers as their files
// describe them (file members the model does not know are kept), one computer at a time;
// the changes of a computer depend only on the seed, its file name and the day, not on
// the other files.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "lab/model/lab_computer.h"

namespace korvane::lab::authoring {

struct AdvanceCounts {
  std::map<std::string, int> byKind;  // "installed", "removed", "upgraded", ...
  std::vector<std::string> notable;   // one line per change worth reading
};

// One day of changes to one computer.
void AdvanceComputer(LabComputer& computer, uint64_t seed, int day, AdvanceCounts& counts);

// Applies `days` days to every computer file of the lab. Without a seed, the seed is
// derived from the lab's content, so advancing twice gives two different days.
AdvanceCounts AdvanceLab(const std::string& directory, int days, const uint64_t* seed);

}  // namespace korvane::lab::authoring

// Which computers a scan command covers. A target is a computer name, "@FILE" (a list of
// names, one a line; blank lines and text after "#" ignored), or "all" (every computer
// of the lab given with --lab). With --lab and no targets at all, every computer of the
// lab is scanned. Names are kept in the order given, each once: two names that differ
// only in letter case are one computer (as Windows names are, and as the inventory's
// keys are), so it is never scanned twice at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/commands.h"  // UsageError: a target that cannot be read is a usage error

namespace korvane::console {

std::vector<std::string> ReadTargetFile(const std::string& path);

// The computers of a lab (the names of its computer files, as the lab store lists them).
std::vector<std::string> LabComputers(const std::string& labDirectory);

// The names in order, each computer once; the later spellings of a computer already
// named go to `duplicates` when it is given.
std::vector<std::string> ExpandTargets(const std::vector<std::string>& targets,
                                       const std::string& labDirectory,
                                       std::vector<std::string>* duplicates = nullptr);

// The key two computer names are compared by, the inventory's own: each letter of the
// UTF-8 text lower-cased (Unicode), no character outside ASCII becoming an ASCII one;
// bytes that are not UTF-8 unchanged.
std::string FoldComputerName(std::string_view name);

}  // namespace korvane::console

// Which computers a scan command covers. A target is a computer name, "@FILE" (a list of
// names, one a line; blank lines and text after "#" ignored), or "all" (every computer
// of the lab given with --lab). With --lab and no targets at all, every computer of the
// lab is scanned. Names are kept in the order given, each once (letter case ignored,
// as Windows names are).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace korvane::console {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::vector<std::string> ReadTargetFile(const std::string& path);

// The names of the computer files of a lab, sorted.
std::vector<std::string> LabComputers(const std::string& labDirectory);

std::vector<std::string> ExpandTargets(const std::vector<std::string>& targets,
                                       const std::string& labDirectory);

}  // namespace korvane::console

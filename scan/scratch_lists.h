// The form's scratch containers: two plain lists of text lines (subkey names and
// software entries while the software stage runs) and two tables of software rows
// (the stored and the collected software lists while they are compared).
#pragma once

#include <string>
#include <vector>

namespace korvane {

using TextList = std::vector<std::string>;

struct SoftwareEntry {
  std::string Program;
  std::string Version;
  std::string Location;
  std::string ProductID;
};

using SoftwareTable = std::vector<SoftwareEntry>;

}  // namespace korvane

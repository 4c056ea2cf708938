#include "console/targets.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

namespace korvane::console {

namespace {

std::string Trim(const std::string& text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::vector<std::string> ReadTargetFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw UsageError("cannot read the target list " + path);
  std::vector<std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = Trim(line);
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

std::vector<std::string> LabComputers(const std::string& labDirectory) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(labDirectory, error)) throw UsageError("no lab directory " + labDirectory);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(labDirectory, error)) {
    // The lab reads computer files whatever the letter case of their extension.
    if (Lower(entry.path().extension().string()) != ".json" || !entry.is_regular_file(error)) continue;
    const std::string stem = entry.path().stem().string();
    if (!stem.empty() && stem[0] != '.') names.push_back(stem);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  return names;
}

std::vector<std::string> ExpandTargets(const std::vector<std::string>& targets,
                                       const std::string& labDirectory) {
  std::vector<std::string> all;
  auto add = [&](const std::vector<std::string>& names) { all.insert(all.end(), names.begin(), names.end()); };
  if (targets.empty()) {
    if (labDirectory.empty()) throw UsageError("no computers to scan: name them, give @FILE, or --lab DIR");
    add(LabComputers(labDirectory));
  }
  for (const auto& target : targets) {
    if (!target.empty() && target[0] == '@') {
      add(ReadTargetFile(target.substr(1)));
    } else if (target == "all") {
      if (labDirectory.empty()) throw UsageError("\"all\" needs --lab DIR");
      add(LabComputers(labDirectory));
    } else {
      add({target});
    }
  }
  std::vector<std::string> unique;
  std::set<std::string> seen;
  for (const auto& name : all) {
    if (name.find(',') != std::string::npos) {
      throw UsageError("a computer name cannot hold a comma: " + name);
    }
    if (seen.insert(Lower(name)).second) unique.push_back(name);
  }
  return unique;
}

}  // namespace korvane::console

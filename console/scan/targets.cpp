#include "console/scan/targets.h"

#include "lab/model/lab_store.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/db/case_fold.h"

namespace korvane::console {

namespace {

std::string Trim(const std::string& text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

}  // namespace

// The inventory's own fold, so that two names are one target exactly when they are one
// computer to the inventory.
std::string FoldComputerName(std::string_view name) { return db::FoldKey(name); }

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
  const lab::LabStore store(labDirectory);
  if (!store.IsDirectory()) throw UsageError("no lab directory " + labDirectory);
  std::vector<std::string> names;
  try {
    for (lab::ComputerFile& file : store.List().computers) names.push_back(std::move(file.name));
  } catch (const std::runtime_error& e) {
    throw UsageError(e.what());
  }
  return names;
}

std::vector<std::string> ExpandTargets(const std::vector<std::string>& targets,
                                       const std::string& labDirectory,
                                       std::vector<std::string>* duplicates) {
  std::vector<std::string> all;
  auto add = [&](const std::vector<std::string>& names) { all.insert(all.end(), names.begin(), names.end()); };
  if (targets.empty()) {
    if (labDirectory.empty()) throw UsageError("no computers to scan: name them, give @FILE, or --lab DIR");
    add(LabComputers(labDirectory));
  }
  for (const auto& target : targets) {
    if (!target.empty() && target[0] == '@') {
      add(ReadTargetFile(target.substr(1)));
    } else if (FoldComputerName(target) == "all") {
      // A word the operator types, so any letter case; a computer really called ALL is
      // the same name to Windows and cannot be told apart from the word anyway.
      if (labDirectory.empty()) {
        throw UsageError("\"" + target + "\" means every computer of a lab and needs --lab DIR; "
                         "without a lab, name the computers or give @FILE");
      }
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
    for (char c : name) {
      // A line break would let a name pass for two lines of the console's output and log.
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        throw UsageError("a computer name cannot hold a control character: " + name);
      }
    }
    if (seen.insert(FoldComputerName(name)).second) {
      unique.push_back(name);
    } else if (duplicates != nullptr) {
      duplicates->push_back(name);
    }
  }
  return unique;
}

}  // namespace korvane::console

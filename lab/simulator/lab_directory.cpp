#include "lab/simulator/lab_directory.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace korvane::lab {

namespace fs = std::filesystem;

LabDirectory::LabDirectory(std::string directory, std::ostream& diagnostics)
    : directory_(std::move(directory)), diagnostics_(diagnostics) {
  std::error_code ec;
  if (!fs::is_directory(directory_, ec)) {
    diagnostics_ << "lab: " << directory_ << " is not a directory; no computer answers\n";
    allLoaded_ = true;
    return;
  }
  for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    if (FoldCase(path.extension().string()) != ".json") continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    Entry entry;
    entry.path = path.string();
    entry.fileName = path.stem().string();
    const std::string key = FoldCase(entry.fileName);
    if (entries_.count(key) != 0) {
      diagnostics_ << "lab: " << entry.path << ": another file names the same computer ("
                   << entries_[key].path << "); this one is ignored\n";
      continue;
    }
    entries_.emplace(key, std::move(entry));
  }
  if (ec) diagnostics_ << "lab: " << directory_ << ": cannot list: " << ec.message() << '\n';
}

const LabComputer* LabDirectory::Load(Entry& entry) {
  if (entry.loaded) return entry.computer.get();
  entry.loaded = true;
  std::ifstream in(entry.path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    diagnostics_ << "lab: " << entry.path << ": cannot be read; " << entry.fileName
                 << " does not answer\n";
    return nullptr;
  }
  std::string problem;
  entry.computer = ReadComputerFile(entry.fileName, text.str(), problem);
  if (!entry.computer) {
    diagnostics_ << "lab: " << entry.path << ": " << problem << "; " << entry.fileName
                 << " does not answer\n";
  }
  return entry.computer.get();
}

void LabDirectory::LoadAll() {
  if (allLoaded_) return;
  for (auto& [key, entry] : entries_) Load(entry);
  allLoaded_ = true;
}

const LabComputer* LabDirectory::MatchLoaded(const std::string& folded) {
  for (auto& [key, entry] : entries_) {
    if (!entry.computer) continue;
    for (const auto& alias : entry.computer->aliases) {
      if (FoldCase(alias) == folded) return entry.computer.get();
    }
  }
  for (auto& [key, entry] : entries_) {
    if (!entry.computer) continue;
    if (auto wmiName = entry.computer->WmiComputerName(); wmiName && FoldCase(*wmiName) == folded) {
      return entry.computer.get();
    }
  }
  if (auto address = ParseAddress(folded)) {
    for (auto& [key, entry] : entries_) {
      if (entry.computer && entry.computer->address == *address) return entry.computer.get();
    }
  }
  return nullptr;
}

const LabComputer* LabDirectory::Find(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string folded = FoldCase(name);
  if (auto it = entries_.find(folded); it != entries_.end()) return Load(it->second);
  if (name.empty()) return nullptr;
  // The computers read so far first: after WMI renames the scanned computer, every later
  // call names it by its WMI name, which must not cost reading the whole lab each time.
  if (const LabComputer* known = MatchLoaded(folded)) return known;
  if (allLoaded_) return nullptr;
  LoadAll();
  return MatchLoaded(folded);
}

const LabComputer* LabDirectory::FindByAddress(const IPv4& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Computers already read come first: the one just resolved is the one being probed.
  for (auto& [key, entry] : entries_) {
    if (entry.computer && entry.computer->address == address) return entry.computer.get();
  }
  LoadAll();
  for (auto& [key, entry] : entries_) {
    if (entry.computer && entry.computer->address == address) return entry.computer.get();
  }
  return nullptr;
}

}  // namespace korvane::lab

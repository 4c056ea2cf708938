#include "lab/simulator/lab_directory.h"

#include <stdexcept>

namespace korvane::lab {

LabDirectory::LabDirectory(std::string directory, std::ostream& diagnostics)
    : store_(std::move(directory)), diagnostics_(diagnostics) {
  if (!store_.IsDirectory()) {
    diagnostics_ << "lab: " << store_.directory() << " is not a directory; no computer answers\n";
    allLoaded_ = true;
    return;
  }
  LabListing listing;
  try {
    listing = store_.List();
  } catch (const std::runtime_error& e) {
    diagnostics_ << "lab: " << e.what() << '\n';
  }
  for (const auto& [ignored, kept] : listing.ignored) {
    diagnostics_ << "lab: " << ignored.path << ": another file names the same computer (" << kept.path
                 << "); this one is ignored\n";
  }
  for (ComputerFile& file : listing.computers) {
    const std::string key = FoldCase(file.name);
    entries_.emplace(key, Entry{std::move(file)});
  }
}

const LabComputer* LabDirectory::Load(Entry& entry) {
  if (entry.loaded) return entry.computer.get();
  entry.loaded = true;
  std::string text;
  try {
    text = store_.Read(entry.file);
  } catch (const std::runtime_error&) {
    diagnostics_ << "lab: " << entry.file.path << ": cannot be read; " << entry.file.name << " does not answer\n";
    return nullptr;
  }
  std::string problem;
  entry.computer = ReadComputerFile(entry.file.name, text, problem);
  if (!entry.computer) {
    diagnostics_ << "lab: " << entry.file.path << ": " << problem << "; " << entry.file.name
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

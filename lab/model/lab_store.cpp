#include "lab/model/lab_store.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "lab/model/lab_computer.h"

namespace korvane::lab {

namespace fs = std::filesystem;

bool LabStore::IsDirectory() const {
  std::error_code error;
  return fs::is_directory(directory_, error);
}

LabListing LabStore::List() const {
  if (!IsDirectory()) throw std::runtime_error("no lab directory " + directory_);
  std::vector<ComputerFile> files;
  std::error_code error;
  for (fs::directory_iterator it(directory_, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    if (FoldCase(path.extension().string()) != ".json") continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = path.stem().string();
    if (name.empty() || name[0] == '.') continue;
    files.push_back({std::move(name), path.string()});
  }
  if (error) throw std::runtime_error("cannot list " + directory_ + ": " + error.message());

  std::sort(files.begin(), files.end(), [](const ComputerFile& a, const ComputerFile& b) { return a.name < b.name; });
  LabListing listing;
  std::map<std::string, std::size_t> byFolded;
  for (ComputerFile& file : files) {
    const std::string folded = FoldCase(file.name);
    if (auto it = byFolded.find(folded); it != byFolded.end()) {
      listing.ignored.emplace_back(std::move(file), listing.computers[it->second]);
      continue;
    }
    byFolded.emplace(folded, listing.computers.size());
    listing.computers.push_back(std::move(file));
  }
  std::stable_sort(listing.computers.begin(), listing.computers.end(),
                   [](const ComputerFile& a, const ComputerFile& b) { return FoldCase(a.name) < FoldCase(b.name); });
  return listing;
}

ComputerFile LabStore::FileFor(const std::string& name) const {
  return {name, (fs::path(directory_) / (name + ".json")).string()};
}

std::string LabStore::Read(const ComputerFile& file) const {
  std::ifstream in(file.path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in) throw std::runtime_error("cannot read " + file.path);
  return text.str();
}

void LabStore::Write(const ComputerFile& file, const std::string& text) const {
  const std::string temporary = file.path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + temporary);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  std::error_code error;
  fs::rename(temporary, file.path, error);
  if (error) throw std::runtime_error("cannot write " + file.path + ": " + error.message());
}

}  // namespace korvane::lab

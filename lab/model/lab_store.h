// A lab directory as files: one computer file "<name>.json" per computer. The simulator,
// the authoring tools and the console list, read and write computers through this store
// only, so all three agree on which files are computers.
//
// Which files are computers: regular files whose extension is ".json" in any letter case
// and whose name does not begin with "." (an editor's or the system's own files). Names
// differing only in letter case are one computer; of such files the first by byte order
// of the name counts and the others are ignored, reported by List.
#pragma once

#include <string>
#include <vector>

namespace korvane::lab {

struct ComputerFile {
  std::string name;  // the file name without its extension: the computer's name
  std::string path;
};

struct LabListing {
  std::vector<ComputerFile> computers;  // sorted by name, letter case ignored
  // Files ignored because an earlier one names the same computer: (ignored, kept).
  std::vector<std::pair<ComputerFile, ComputerFile>> ignored;
};

class LabStore {
 public:
  explicit LabStore(std::string directory) : directory_(std::move(directory)) {}

  const std::string& directory() const { return directory_; }
  bool IsDirectory() const;

  // The computer files. std::runtime_error when the directory is missing or cannot be
  // listed.
  LabListing List() const;

  // The file a new computer of this name is written to.
  ComputerFile FileFor(const std::string& name) const;

  // The whole text of a file; std::runtime_error when it cannot be read.
  std::string Read(const ComputerFile& file) const;

  // Replaces the file's text at once: written beside it and renamed over it, so a reader
  // sees the old text or the new, never part of one. std::runtime_error on failure.
  void Write(const ComputerFile& file, const std::string& text) const;

 private:
  std::string directory_;
};

}  // namespace korvane::lab

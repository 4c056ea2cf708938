// The computers of a lab directory, found by name or address. Opening lists the
// directory only; a computer file is read the first time a name or address needs it, so
// a scan of one computer in a lab of thousands reads one file. Names that are not file
// names (aliases, WMI computer names) and addresses not yet seen make it read the rest.
//
// A file that cannot be read or does not have the documented shape makes that computer
// unreachable; its problem is written once to the diagnostics stream.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "lab/model/lab_computer.h"
#include "lab/model/lab_store.h"

namespace korvane::lab {

class LabDirectory {
 public:
  LabDirectory(std::string directory, std::ostream& diagnostics);
  // A lab without computers.
  explicit LabDirectory(std::ostream& diagnostics) : store_(""), diagnostics_(diagnostics), allLoaded_(true) {}

  // The computer a name resolves to, without regard to letter case: the one with that
  // file name; else, among the computers read so far and then among all, the first with
  // that alias, with that WMI computer name, or (for a dotted address) that address.
  // nullptr when none does or its file is broken.
  const LabComputer* Find(const std::string& name);

  // The computer that has this address, or nullptr.
  const LabComputer* FindByAddress(const IPv4& address);

 private:
  struct Entry {
    ComputerFile file;
    bool loaded = false;
    std::unique_ptr<LabComputer> computer;  // nullptr when the file is broken
  };

  const LabComputer* Load(Entry& entry);
  // An alias, then a WMI name, then an address among the computers read so far.
  const LabComputer* MatchLoaded(const std::string& folded);
  void LoadAll();

  LabStore store_;
  std::ostream& diagnostics_;
  std::mutex mutex_;
  std::map<std::string, Entry> entries_;  // by folded file name, so in a stable order
  bool allLoaded_ = false;
};

}  // namespace korvane::lab

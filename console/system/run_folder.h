// A run folder (the Temp directories of one scan command's scanners) belongs to its
// console for as long as that console lives, however it ends: the claim is held by the
// system for the process and goes with it. A later console takes over a folder whose
// claim nobody holds, so that the log lines a dead console never collected still reach
// the shared log.
#pragma once

#include <memory>
#include <string>

namespace korvane::console {

class RunFolderClaim {
 public:
  virtual ~RunFolderClaim() = default;
};

// Claims a folder just made for this run. std::runtime_error when it cannot.
std::unique_ptr<RunFolderClaim> ClaimRunFolder(const std::string& folder);

// Claims a folder left by a console that has ended; nullptr when its console still runs
// (or another console has taken it over) or when it was never claimed.
std::unique_ptr<RunFolderClaim> TakeOverRunFolder(const std::string& folder);

}  // namespace korvane::console

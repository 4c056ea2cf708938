// The logged-on user, from the target's workstation service: its list of current logons,
// read in pages of the 256-byte preferred length. Logons of the management agent ("SMS"
// user names) are passed over; the last remaining logon names the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct Korvane;

struct WkstaUserEntry {
  std::string LogonUser;
  std::string LogonDomain;
  std::string OtherDomains;  // left empty
  std::string LogonServer;   // left empty
};

// The entry array, indexed from 1 like the enumeration's own numbering; its size is
// fixed by the total of the first answer.
class WkstaUserEntries {
 public:
  // Fixes the bounds to 1..total. A total of 0 leaves no valid bounds: subscript error.
  void Size(uint32_t total);
  // The entry at index; outside 1..size a subscript error.
  WkstaUserEntry& At(uint32_t index);
  uint32_t Count() const { return static_cast<uint32_t>(entries_.size()); }

 private:
  std::vector<WkstaUserEntry> entries_;
};

// Reads every current logon of ComputerName into entries. Returns 0, or the failing
// status of the workstation service. Raises a subscript error as described above.
uint32_t EnumWkstaUsers(Korvane& k, WkstaUserEntries& entries);

// The text of a NUL-terminated wide string as the enumeration hands it over.
std::string WidePtrToString(const std::string& text);

// UserName := logon domain \ user of the last logon that passes. A refused enumeration
// empties UserName; a subscript error leaves it and propagates to the caller.
void GetUser(Korvane& k);

}  // namespace korvane

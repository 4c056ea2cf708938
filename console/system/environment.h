// The console's environment. The scanners it starts inherit it, so setting a variable
// here is how a command hands every later scanner a value (the demo's pinned day and
// its Temp directory); names are matched as the system matches them (without regard to
// case on Windows).
#pragma once

#include <optional>
#include <string>

namespace korvane::console {

class Environment {
 public:
  virtual ~Environment() = default;
  // Nothing when the variable is not set.
  virtual std::optional<std::string> Value(const std::string& name) const = 0;
  // Sets or replaces the variable for this process and every scanner started after.
  virtual void Set(const std::string& name, const std::string& value) = 0;
};

// This process's own environment. It keeps no state of its own: every call goes to the
// system.
Environment& ProcessEnvironment();

}  // namespace korvane::console

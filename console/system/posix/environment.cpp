#include "console/system/environment.h"

#include <cstdlib>

namespace korvane::console {

namespace {

class PosixEnvironment : public Environment {
 public:
  std::optional<std::string> Value(const std::string& name) const override {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }
  void Set(const std::string& name, const std::string& value) override { ::setenv(name.c_str(), value.c_str(), 1); }
};

}  // namespace

Environment& ProcessEnvironment() {
  static PosixEnvironment environment;
  return environment;
}

}  // namespace korvane::console

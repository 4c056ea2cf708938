#include "console/system/environment.h"

#include <filesystem>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::console {

namespace {

class WindowsEnvironment : public Environment {
 public:
  std::optional<std::string> Value(const std::string& name) const override {
    const std::wstring wideName = win32::ToWide(name);
    const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
    value.resize(length < needed ? length : 0);
    return win32::FromWide(value);
  }
  void Set(const std::string& name, const std::string& value) override {
    namespace fs = std::filesystem;
    SetEnvironmentVariableW(fs::path(name).wstring().c_str(), fs::path(value).wstring().c_str());
  }
};

}  // namespace

Environment& ProcessEnvironment() {
  static WindowsEnvironment environment;
  return environment;
}

}  // namespace korvane::console

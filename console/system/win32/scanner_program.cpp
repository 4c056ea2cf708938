// Where the scanner is on Windows: next to the console, as "korvane.exe".
#include <string>

#include "console/system/scanner_start.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::console {

using win32::FromWide;

std::string OwnProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::string(".") : FromWide(path.substr(0, slash));
}

std::string ScannerProgramName() { return "korvane.exe"; }

}  // namespace korvane::console

#include "platform/win32/windows_error.h"

#include <cstdio>
#include <string>

#include "platform/win32/windows_api.h"
#include "platform/win32/text.h"

#include <wbemcli.h>

namespace korvane::win32 {

namespace {

constexpr uint32_t kWmiFacilityMask = 0xFFFF0000u;
constexpr uint32_t kWmiErrorBase = 0x80040000u;  // FACILITY_ITF, where WMI's codes live

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

// WMI's own description of one of its codes, as the scripting interface reports it.
std::string WmiDescription(HRESULT hr) {
  IWbemStatusCodeText* status = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WbemStatusCodeText, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWbemStatusCodeText, reinterpret_cast<void**>(&status))) ||
      status == nullptr) {
    return {};
  }
  BSTR text = nullptr;
  std::string description;
  if (SUCCEEDED(status->GetErrorCodeText(hr, 0, 0, &text)) && text != nullptr) {
    description = Trimmed(FromWide(text));
  }
  SysFreeString(text);
  status->Release();
  return description;
}

std::string SystemDescription(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string description;
  if (length > 0 && buffer != nullptr) description = Trimmed(FromWide(std::wstring_view(buffer, length)));
  if (buffer != nullptr) LocalFree(buffer);
  return description;
}

}  // namespace

int32_t HresultFromWin32(uint32_t status) {
  if (status == 0 || (status & 0x80000000u) != 0) return static_cast<int32_t>(status);
  return static_cast<int32_t>((status & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

RuntimeError WindowsError(int32_t hresult) {
  const auto hr = static_cast<HRESULT>(hresult);
  std::string description;
  if ((static_cast<uint32_t>(hresult) & kWmiFacilityMask) == kWmiErrorBase) {
    description = WmiDescription(hr);
  }
  if (description.empty()) description = SystemDescription(hr);
  if (description.empty()) {
    // What the scripting runtime shows for a code nobody has a text for.
    char text[40];
    std::snprintf(text, sizeof text, "Automation error 0x%08lX",
                  static_cast<unsigned long>(static_cast<uint32_t>(hresult)));
    description = text;
  }
  return RuntimeError(hresult, description);
}

}  // namespace korvane::win32

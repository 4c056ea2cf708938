// The contract's world on Windows: the computer the tests run on, through the real
// calls, with the contract's registry key written through the wide calls (so the ANSI
// reads are checked against what Windows stores). Under Wine the functions Wine only
// stubs are named as lacking, so their tests are skipped with the reason.
#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"
#include "tests/contract/target_contract.h"

#include <objbase.h>

#include <string>
#include <utility>

namespace korvane::contract {
namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Runs a command line (reg.exe and the like) and waits for it: its exit code, or -1 when
// it could not be started.
long RunAndWait(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

// The 32-bit program goes in the way an administrator would check it by hand, with the
// registry tool's 32-bit switch; its outcome names what is missing when it fails.
std::wstring AddThirtyTwoBitProgram() {
  const std::wstring key = L"HKLM\\" + win32::ToWide(kContract32Key);
  RunAndWait(L"reg.exe delete \"" + key + L"\" /f /reg:32");
  for (const auto& [name, data] : {std::pair<const wchar_t*, const wchar_t*>{L"DisplayName", L"Korvane Contract 32"},
                                   {L"UninstallString", L"remove.exe"}}) {
    const long code = RunAndWait(L"reg.exe add \"" + key + L"\" /v " + name + L" /d \"" + data + L"\" /f /reg:32");
    if (code != 0) return L"reg.exe add ... /reg:32 ended with " + std::to_wstring(code);
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::ToWide(kContract32Key).c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                    &opened) != ERROR_SUCCESS) {
    return L"what reg.exe wrote with /reg:32 does not open with KEY_WOW64_32KEY";
  }
  RegCloseKey(opened);
  return {};
}

void SetValue(HKEY key, const wchar_t* name, DWORD type, const std::wstring& data) {
  RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                 static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

class WindowsWorld : public World {
 public:
  WindowsWorld() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
    const std::wstring path = win32::ToWide(kContractKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      SetValue(key, L"Text", REG_SZ, std::wstring(L"Gr\u00fcn 5.1") + L'\0');
      SetValue(key, L"Expand", REG_EXPAND_SZ, std::wstring(L"%SystemRoot%\\k") + L'\0');
      SetValue(key, L"Multi", REG_MULTI_SZ, std::wstring(L"a\0b\0\0", 5));
      const DWORD seven = 7;
      RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), sizeof seven);
      for (const wchar_t* name : {L"Eins", L"Zwei", L"Drei"}) {
        HKEY sub = nullptr;
        if (RegCreateKeyExW(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) == ERROR_SUCCESS) {
          RegCloseKey(sub);
        }
      }
      RegCloseKey(key);
    }
    BOOL wow64 = FALSE;
    const bool is64 = sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
    thirtyTwoBitView_ = is64 ? AddThirtyTwoBitProgram() : L"a 32-bit Windows has one registry view";
    targets_ = win32::MakeTargets();
  }
  WindowsWorld(const WindowsWorld&) = delete;
  WindowsWorld& operator=(const WindowsWorld&) = delete;
  ~WindowsWorld() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, win32::ToWide(kContractKey).c_str());
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, win32::ToWide(kContract32Key).c_str(), KEY_WOW64_32KEY, 0);
  }

  TargetNetwork& Network() override { return *targets_; }

  std::string Computer() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(name, &size);
    return win32::FromWide(name);
  }

  std::string Lacks(Capability capability) override {
    if (capability == Capability::ThirtyTwoBitView) return win32::FromWide(thirtyTwoBitView_);
    if (!UnderWine()) return {};
    switch (capability) {
      case Capability::ServiceManagerRefusesUnknownComputer:
        return "Wine's service control manager ignores the computer name and opens the local one";
      case Capability::WorkstationLogons: return "Wine's NetWkstaUserEnum is a stub that always fails";
      case Capability::AdministrativeShares: return "Wine has no administrative shares (\\\\COMPUTER\\C$)";
      case Capability::NotificationQueries: return "Wine's WMI has no event provider for notification queries";
      case Capability::ThirtyTwoBitView: break;
    }
    return {};
  }

 private:
  std::unique_ptr<TargetNetwork> targets_;
  std::wstring thirtyTwoBitView_;  // why the 32-bit view could not be prepared, or empty
};

}  // namespace

World& TheWorld() {
  static WindowsWorld world;
  return world;
}

}  // namespace korvane::contract

// The contract's world on Windows: the computer the tests run on, through the real
// calls, with the contract's registry key written through the wide calls (so the ANSI
// reads are checked against what Windows stores). Under Wine the functions Wine only
// stubs are named as lacking, so their tests are skipped with the reason.
#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"
#include "tests/contract/target_contract.h"

#include <objbase.h>

namespace korvane::contract {
namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
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
    targets_ = win32::MakeTargets();
  }
  WindowsWorld(const WindowsWorld&) = delete;
  WindowsWorld& operator=(const WindowsWorld&) = delete;
  ~WindowsWorld() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, win32::ToWide(kContractKey).c_str()); }

  TargetNetwork& Network() override { return *targets_; }

  std::string Computer() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(name, &size);
    return win32::FromWide(name);
  }

  std::string Lacks(Capability capability) override {
    if (!UnderWine()) return {};
    switch (capability) {
      case Capability::ServiceManagerRefusesUnknownComputer:
        return "Wine's service control manager ignores the computer name and opens the local one";
      case Capability::WorkstationLogons: return "Wine's NetWkstaUserEnum is a stub that always fails";
      case Capability::AdministrativeShares: return "Wine has no administrative shares (\\\\COMPUTER\\C$)";
      case Capability::NotificationQueries: return "Wine's WMI has no event provider for notification queries";
    }
    return {};
  }

 private:
  std::unique_ptr<TargetNetwork> targets_;
};

}  // namespace

World& TheWorld() {
  static WindowsWorld world;
  return world;
}

}  // namespace korvane::contract

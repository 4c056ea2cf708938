// The running Windows system as the scan sees it: the process services, the console's
// list box, the local clock, the database through the ODBC manager and the targets
// through the real management calls.
#include "platform/db/database_server.h"
#include "platform/pinned_clock.h"
#include "platform/platform.h"
#include "platform/win32/locale_formats.h"
#include "platform/win32/process.h"
#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>

namespace korvane {

namespace {

// Everything found at a handle that is no window, and the broadcast handle that would
// reach every top-level window of the desktop, loses the line.
constexpr int32_t kBroadcastHandle = 0xFFFF;

// The handle is judged once, at the first line (sent at the start of the scan, or by a
// start-up that failed): a window of another process then is the console's list box for
// the rest of the process; anything else is a lost console. A handle that later names no
// window, or a window of another process (the number reused after the console's went
// away), loses its lines from then on, so a line never lands in a stranger's window.
class ListBoxChannel : public ConsoleChannel {
 public:
  void AddLine(int32_t listBoxHandle, std::string_view line) override {
    if (listBoxHandle == 0 || listBoxHandle == kBroadcastHandle) return;
    // Window handles are 32-bit values, sign-extended on 64-bit systems.
    const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(listBoxHandle));
    if (!judged_) {
      judged_ = true;
      if (IsWindow(window)) GetWindowThreadProcessId(window, &owner_);
      if (owner_ == GetCurrentProcessId()) owner_ = 0;
    }
    if (owner_ == 0) return;
    DWORD ownerNow = 0;
    if (!IsWindow(window) || GetWindowThreadProcessId(window, &ownerNow) == 0 || ownerNow != owner_) {
      owner_ = 0;
      return;
    }
    // The system copies the text into the console's process and converts it from the
    // ANSI code page (UTF-8 by the manifest) for a Unicode list box.
    const std::string text = win32::ToAnsi(line);
    SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }

 private:
  bool judged_ = false;
  DWORD owner_ = 0;  // the console's process; 0: the console is lost
};

class WindowsClock : public Clock {
 public:
  LocalTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }
};

// COM for the whole life of the process, on the scan's one thread, with the caller's
// identity usable by the targets' WMI (impersonate) as the scripting interface does.
class ComApartment {
 public:
  ComApartment() {
    initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_ = false;
};

class WindowsPlatform : public SystemPlatform {
 public:
  Platform Get() override {
    return Platform{process_.get(), &console_, clock_.get(), database_.get(), targets_.get(), locale_.get()};
  }

 private:
  ComApartment com_;
  std::unique_ptr<ProcessServices> process_ = win32::MakeProcess();
  ListBoxChannel console_;
  std::unique_ptr<Clock> clock_ = PinnedOr(std::make_unique<WindowsClock>());
  std::unique_ptr<DatabaseServer> database_ = MakeDatabaseServer();
  std::unique_ptr<TargetNetwork> targets_ = win32::MakeTargets();
  std::unique_ptr<LocaleFormats> locale_ = win32::MakeUserLocale();
};

}  // namespace

std::unique_ptr<SystemPlatform> MakeSystemPlatform(int, char**) {
  return std::make_unique<WindowsPlatform>();
}

}  // namespace korvane

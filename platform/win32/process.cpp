#include "platform/win32/process.h"

#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::win32 {

std::wstring ArgumentText(const std::wstring& commandLine) {
  // The program path ends at the closing quote when it starts with one, else at the
  // first blank; this is how the system itself splits off the program name.
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  if (i < n && commandLine[i] == L'"') {
    ++i;
    while (i < n && commandLine[i] != L'"') ++i;
    if (i < n) ++i;
  }
  while (i < n && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
  while (i < n && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
  return commandLine.substr(i);
}

namespace {

class WindowsProcess : public ProcessServices {
 public:
  std::string CommandLine() override { return FromWide(ArgumentText(GetCommandLineW())); }

  std::optional<std::string> GetEnvironment(std::string_view name) override {
    // The system matches environment names without regard to case already.
    const std::wstring wideName = ToWide(name);
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    std::vector<wchar_t> value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
    return FromWide(std::wstring_view(value.data(), length < needed ? length : 0));
  }

  void RemoveFromTaskList() override {
    // The task list shows visible top-level windows; the scanner owns none, so there is
    // nothing to hide.
  }

  void WaitForTimer(std::chrono::milliseconds interval) override {
    // A thread timer on this thread's message loop: other messages (cross-process sends,
    // COM calls for this apartment) are served while waiting, as in a form's event loop.
    const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(interval.count()), nullptr);
    if (timer == 0) {
      Sleep(static_cast<DWORD>(interval.count()));
      return;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer) break;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
  }

  void MessageBox(std::string_view text, std::string_view title) override {
    MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(title).c_str(), MB_OK);
  }

  void ProcessPendingEvents() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void AppendLineToFile(const std::string& path, std::string_view line) override {
    // FILE_APPEND_DATA makes every write land at the end of the file, so lines of
    // concurrent scanners never overwrite each other; one write per line keeps them whole.
    const HANDLE file = CreateFileA(ToAnsi(path).c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string whole = ToAnsi(line);
    whole += "\r\n";
    DWORD written = 0;
    WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
    CloseHandle(file);
  }

  char PathSeparator() const override { return '\\'; }

  [[noreturn]] void EndProcessNow() override {
    // No unwinding, no destructors, no DLL detach code: the process stops here.
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
  }
};

}  // namespace

std::unique_ptr<ProcessServices> MakeProcess() { return std::make_unique<WindowsProcess>(); }

}  // namespace korvane::win32

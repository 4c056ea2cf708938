// Test harness for the Wine end-to-end tests: plays the controlling console's part.
// It owns a list box (in a message-only window), starts the scanner with a command line
// whose "{hwnd}" is replaced by the list box's handle, serves the scanner's messages
// until it ends, then prints every line the list box received, one per output line,
// as UTF-8. Its exit status is the scanner's, or 124 when the scanner was stopped after
// the time limit.
//
//   korvane-listbox.exe [--timeout-ms N] SCANNER "ARGUMENT TEXT"
#include <cstdlib>
#include <string>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace {

using korvane::win32::FromWide;

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

int Usage() {
  Print("usage: korvane-listbox.exe [--timeout-ms N] SCANNER \"ARGUMENT TEXT\"\n");
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return Usage();
  int next = 1;
  DWORD timeoutMs = 120000;
  if (next + 1 < argc && std::wstring(argv[next]) == L"--timeout-ms") {
    timeoutMs = static_cast<DWORD>(std::wcstoul(argv[next + 1], nullptr, 10));
    next += 2;
  }
  if (argc - next != 2) return Usage();
  const std::wstring scanner = argv[next];
  std::wstring argumentText = argv[next + 1];

  const HWND listBox = CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
  if (listBox == nullptr) {
    Print("korvane-listbox: no list box could be created\n");
    return 3;
  }
  if (const std::size_t at = argumentText.find(L"{hwnd}"); at != std::wstring::npos) {
    argumentText.replace(at, 6, std::to_wstring(static_cast<long>(reinterpret_cast<LONG_PTR>(listBox))));
  }
  std::wstring commandLine = L"\"" + scanner + L"\" " + argumentText;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(scanner.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    Print("korvane-listbox: the scanner could not be started\n");
    return 3;
  }

  // Serve the scanner's SendMessage calls (they are handled while this thread waits for
  // messages) until it ends or the time runs out.
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  DWORD exitCode = 124;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      TerminateProcess(process.hProcess, 124);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
    const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE,
                                                 static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &exitCode);
      break;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<std::size_t>(length));
    Print(FromWide(line) + "\n");
  }
  LocalFree(argv);
  return static_cast<int>(exitCode);
}

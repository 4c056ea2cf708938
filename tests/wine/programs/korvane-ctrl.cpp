// Test harness for the Wine end-to-end tests: plays the operator who presses Ctrl-C in,
// or closes the window of, a running console. It starts PROGRAM with a console of its
// own (its output going to the file OUTPUT), waits until OUTPUT contains MARKER, delivers
// the event to that console, waits for PROGRAM to end and exits with PROGRAM's exit
// status (124 when it did not end within a minute, 3 when the event could not be
// delivered). Its own messages go to standard error before it joins PROGRAM's console.
//
//   korvane-ctrl.exe c|close OUTPUT MARKER PROGRAM [ARGUMENT...]
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace {

using korvane::win32::FromWide;

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  for (wchar_t c : argument) {
    if (c == L'"') quoted += L'\\';
    quoted += c;
  }
  return quoted + L"\"";
}

std::string FileText(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

bool Deliver(const std::wstring& event, DWORD processId) {
  // Join the program's console; ignore the event here so that only the program sees it.
  FreeConsole();
  if (!AttachConsole(processId)) return false;
  SetConsoleCtrlHandler(nullptr, TRUE);
  if (event == L"c") return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
  // Closing the window reaches every process attached to the console: leave it first.
  const HWND window = GetConsoleWindow();
  FreeConsole();
  return window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0) != 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 5) {
    Print("usage: korvane-ctrl.exe c|close OUTPUT MARKER PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const std::wstring event = argv[1];
  const std::wstring output = argv[2];
  const std::string marker = FromWide(argv[3]);
  std::wstring commandLine;
  for (int i = 4; i < argc; ++i) commandLine += (i > 4 ? L" " : L"") + Quoted(argv[i]);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Print("korvane-ctrl: the output file could not be created\n");
    return 3;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[4], commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                      &startup, &process)) {
    Print("korvane-ctrl: the program could not be started\n");
    return 3;
  }
  CloseHandle(file);

  bool seen = false;
  for (int waited = 0; waited < 120000 && !seen; waited += 200) {
    if (WaitForSingleObject(process.hProcess, 200) == WAIT_OBJECT_0) break;
    seen = FileText(output).find(marker) != std::string::npos;
  }
  if (!seen) {
    Print("korvane-ctrl: the marker never appeared\n");
    TerminateProcess(process.hProcess, 3);
    return 3;
  }
  if (!Deliver(event, process.dwProcessId)) {
    Print("korvane-ctrl: the event could not be delivered (error " + std::to_string(GetLastError()) + ")\n");
    TerminateProcess(process.hProcess, 3);
    return 3;
  }
  DWORD exitCode = 124;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    TerminateProcess(process.hProcess, 124);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  LocalFree(argv);
  return static_cast<int>(exitCode);
}

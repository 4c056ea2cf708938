// Scanner processes on Windows. Each scan gets a list box of its own in a message-only
// window; its handle is field 1 of the scanner's command line, and the scanner adds its
// progress lines there with SendMessageA(LB_ADDSTRING), which this thread serves while
// it waits for messages. Each scanner runs in a job object, so that a time-out ends it
// together with everything it started, and its standard output and error go to a pipe
// that is read without blocking.
#include "console/system/scan_processes.h"

#include <algorithm>
#include <cwchar>
#include <map>
#include <stdexcept>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::console {

namespace {

using win32::FromWide;
using win32::ToWide;

// Kept of a scanner's own output; the rest is dropped (it only explains a failure).
constexpr std::size_t kOutputLimit = 64 * 1024;
// What a killed scan reports, in the terms the console uses for a killed Linux scan.
constexpr int kKilledSignal = 9;

std::runtime_error LastErrorAsException(const char* what) {
  return std::runtime_error(std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")");
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The console's environment block with the scan's variables set or replaced.
std::wstring ChildEnvironment(const ScanStart& start) {
  std::vector<std::pair<std::wstring, std::wstring>> replacements;
  for (const auto& [key, value] : start.environment) replacements.emplace_back(ToWide(key), ToWide(value));
  std::wstring block;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
      const std::wstring text = entry;
      // Entries such as "=C:=C:\dir" start with '=': their name runs to the second '='.
      const std::size_t equals = text.find(L'=', 1);
      const std::wstring name = text.substr(0, equals);
      bool replaced = false;
      for (const auto& r : replacements) replaced = replaced || SameNameIgnoringCase(r.first, name);
      if (!replaced) block += text + L'\0';
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& [key, value] : replacements) block += key + L"=" + value + L'\0';
  block += L'\0';
  return block;
}

struct Scan {
  HWND listBox = nullptr;
  HANDLE job = nullptr;
  HANDLE process = nullptr;
  HANDLE output = nullptr;  // reading end of standard output and error
  std::size_t outputKept = 0;
  bool killed = false;
};

class WindowsScanProcesses : public ScanProcesses {
 public:
  ~WindowsScanProcesses() override {
    for (auto& [id, scan] : scans_) {
      TerminateJobObject(scan.job, 1);
      Release(scan);
    }
  }

  int Start(const ScanStart& start) override {
    Scan scan;
    scan.listBox = CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (scan.listBox == nullptr) throw LastErrorAsException("no list box for the scan");

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&scan.output, &outputWrite, &inheritable, 0)) {
      Release(scan);
      throw LastErrorAsException("no output pipe for the scan");
    }
    SetHandleInformation(scan.output, HANDLE_FLAG_INHERIT, 0);

    scan.job = CreateJobObjectW(nullptr, nullptr);
    if (scan.job != nullptr) {
      // Closing the job (the console ending) ends the scan and its descendants too.
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      SetInformationJobObject(scan.job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    const auto handle = static_cast<long long>(reinterpret_cast<LONG_PTR>(scan.listBox));
    const std::wstring program = ToWide(start.program);
    std::wstring commandLine =
        L"\"" + program + L"\" " + ToWide(ScannerCommandLine(handle, start.computer, start.source, start.userOnly));
    std::wstring environment = ChildEnvironment(start);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    PROCESS_INFORMATION info{};
    // Suspended until it is in its job, so nothing it starts can escape the job.
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                                        environment.data(), nullptr, &startup, &info);
    CloseHandle(outputWrite);
    if (!started) {
      Release(scan);
      throw LastErrorAsException(("the scanner " + start.program + " could not be started").c_str());
    }
    if (scan.job != nullptr) AssignProcessToJobObject(scan.job, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    scan.process = info.hProcess;

    const int id = nextId_++;
    scans_.emplace(id, scan);
    return id;
  }

  std::vector<ScanEvent> Wait(std::chrono::milliseconds wait) override {
    std::vector<ScanEvent> events;
    std::vector<HANDLE> processes;
    for (const auto& [id, scan] : scans_) {
      if (processes.size() < MAXIMUM_WAIT_OBJECTS - 1) processes.push_back(scan.process);
    }
    const auto timeout = static_cast<DWORD>(std::max<long long>(0, wait.count()));
    if (!processes.empty()) {
      MsgWaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), FALSE, timeout,
                                QS_ALLINPUT);
    } else if (timeout > 0) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT);
    }
    // Serving the messages is what lets the scanners' SendMessage calls complete.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);

    for (auto it = scans_.begin(); it != scans_.end();) {
      const int id = it->first;
      Scan& scan = it->second;
      // Whether it has ended is asked before its lines are taken: a scanner's lines are
      // all in its list box before it can end, so none are left behind.
      const bool ended = WaitForSingleObject(scan.process, 0) == WAIT_OBJECT_0;
      TakeLines(id, scan, events);
      TakeOutput(id, scan, events);
      if (!ended) {
        ++it;
        continue;
      }
      ScanEvent done{id, ScanEvent::Kind::Ended, ""};
      DWORD exitCode = 0;
      GetExitCodeProcess(scan.process, &exitCode);
      if (scan.killed) {
        done.exitCode = -1;
        done.signal = kKilledSignal;
      } else {
        done.exitCode = static_cast<int>(exitCode);
      }
      events.push_back(std::move(done));
      // Anything the scanner started dies with the job.
      if (scan.job != nullptr) TerminateJobObject(scan.job, 1);
      Release(scan);
      it = scans_.erase(it);
    }
    return events;
  }

  void Kill(int id) override {
    auto it = scans_.find(id);
    if (it == scans_.end()) return;
    it->second.killed = true;
    if (it->second.job == nullptr || !TerminateJobObject(it->second.job, 1)) {
      TerminateProcess(it->second.process, 1);
    }
  }

  int Running() const override { return static_cast<int>(scans_.size()); }

 private:
  // Moves the list box's lines into events and empties it, so it never grows.
  static void TakeLines(int id, Scan& scan, std::vector<ScanEvent>& events) {
    const LRESULT count = SendMessageW(scan.listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = SendMessageW(scan.listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      std::wstring line(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
      if (length > 0) {
        SendMessageW(scan.listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
      }
      line.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
      events.push_back({id, ScanEvent::Kind::Line, FromWide(line)});
    }
    if (count > 0) SendMessageW(scan.listBox, LB_RESETCONTENT, 0, 0);
  }

  static void TakeOutput(int id, Scan& scan, std::vector<ScanEvent>& events) {
    for (;;) {
      DWORD available = 0;
      if (!PeekNamedPipe(scan.output, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
      char buffer[8192];
      DWORD got = 0;
      if (!ReadFile(scan.output, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) {
        return;
      }
      if (scan.outputKept < kOutputLimit) {
        const std::size_t keep = std::min<std::size_t>(got, kOutputLimit - scan.outputKept);
        scan.outputKept += keep;
        events.push_back({id, ScanEvent::Kind::Output, std::string(buffer, keep)});
      }
    }
  }

  static void Release(Scan& scan) {
    if (scan.listBox != nullptr) DestroyWindow(scan.listBox);
    for (HANDLE handle : {scan.process, scan.output, scan.job}) {
      if (handle != nullptr) CloseHandle(handle);
    }
    scan = Scan{};
  }

  std::map<int, Scan> scans_;
  int nextId_ = 1;
};

}  // namespace

std::unique_ptr<ScanProcesses> MakeScanProcesses() { return std::make_unique<WindowsScanProcesses>(); }

}  // namespace korvane::console

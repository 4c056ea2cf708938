// Contract checks of the Windows platform layer against the computer it runs on (under
// Wine in CI): each interface behaves as the scan relies on, with the real calls behind
// it. Prints one line per failed check and a closing "N passed, N failed" line; the exit
// status is 0 only when nothing failed.
//
// What Wine really does, and what these checks therefore expect of it:
//   - the workstation service's logon enumeration is a stub that fails;
//   - the service control manager ignores the computer name and opens the local one;
//   - administrative shares (\\NAME\C$) do not exist.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/runtime_error.h"
#include "platform/win32/process.h"
#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"
#include "platform/win32/windows_error.h"
#include "platform/win32/wmi.h"
#include "platform/win32/wmi_value.h"

#include <oleauto.h>

namespace {

using namespace korvane;
using korvane::win32::FromWide;

int passed = 0;
int failed = 0;

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    Print("FAILED: " + what + "\n");
  }
}

std::string OwnComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  GetComputerNameW(name, &size);
  return FromWide(name);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// Text and the ANSI code page: the manifest makes UTF-8 the ANSI code page, so names in
// any language pass the ANSI calls unchanged.
void TextCrossesAnsiCalls() {
  Check(GetACP() == CP_UTF8, "the manifest makes UTF-8 the ANSI code page");
  const std::string greek = "\xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1";  // Ελλάδα
  Check(win32::FromWide(win32::ToWide(greek)) == greek, "UTF-8 survives the round trip through UTF-16");
  Check(win32::ToAnsi(greek) == greek, "UTF-8 is the ANSI text unchanged");
}

void ArgumentTextRules() {
  using win32::ArgumentText;
  Check(ArgumentText(L"\"C:\\Program Files\\k.exe\" 12,PC01,SRV,") == L"12,PC01,SRV,",
        "a quoted program path with blanks is cut off whole");
  Check(ArgumentText(L"k.exe  12, PC01,SRV,-u") == L"12, PC01,SRV,-u",
        "blanks after the program go, blanks inside the arguments stay");
  Check(ArgumentText(L"k.exe").empty(), "no arguments give empty text");
  Check(ArgumentText(L"\"k.exe\"\t1,2,3,") == L"1,2,3,", "a tab separates like a blank");
}

void ComValuesBecomeVariants() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_NULL;
  Check(win32::FromComVariant(v).IsNull(), "VT_NULL reads as Null");
  v.vt = VT_I4;
  v.lVal = -7;
  Check(win32::FromComVariant(v) == Variant(int32_t{-7}), "VT_I4 reads as Long");
  v.vt = VT_UI4;
  v.ulVal = 3000000000u;
  Check(win32::FromComVariant(v) == Variant(3000000000.0), "a VT_UI4 beyond Long reads as Double");
  v.vt = VT_BOOL;
  v.boolVal = VARIANT_TRUE;
  Check(win32::FromComVariant(v) == Variant::Boolean(true), "VT_BOOL reads as Boolean");
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(L"Caf\u00e9");
  Check(win32::FromComVariant(v) == Variant("Caf\xc3\xa9"), "VT_BSTR reads as UTF-8 text");
  VariantClear(&v);
  v.vt = VT_ARRAY | VT_BSTR;
  Check(win32::FromComVariant(v).IsNull(), "an array reads as Null (no scalar conversion takes it)");
}

void ErrorsCarryDescriptions() {
  const RuntimeError denied = win32::WindowsError(win32::HresultFromWin32(ERROR_ACCESS_DENIED));
  Check(denied.number() == static_cast<int32_t>(0x80070005), "a Win32 status travels as its HRESULT");
  Check(!denied.description().empty(), "a Win32 status has the system's message text");
  const RuntimeError invalidClass = win32::WindowsError(static_cast<int32_t>(0x80041010));
  Check(!invalidClass.description().empty(), "a WMI code has a description");
}

void EchoAndResolution(const std::string& computer) {
  auto echo = win32::MakeEcho();
  echo->StartSockets();
  const auto loopback = echo->Resolve("localhost");
  Check(loopback && (*loopback)[0] == 127, "localhost resolves to a loopback address");
  Check(echo->Resolve(computer).has_value(), "the computer's own name resolves");
  Check(!echo->Resolve("korvane-no-such-host.invalid").has_value(), "an unknown name resolves to nothing");
  auto handle = echo->CreateEchoHandle();
  Check(handle != nullptr, "an echo handle is created");
  if (handle) {
    const EchoReply reply = handle->SendEcho(IPv4{127, 0, 0, 1}, std::string(32, 'A'), 255, 2000);
    Check(reply.replies == 1, "the loopback answers one echo");
    Check(reply.status == 0, "the answered echo has status 0");
    Check(reply.source == (IPv4{127, 0, 0, 1}), "the reply names the answering address");
  }
  echo->StopSockets();
}

void Wmi(const std::string& computer) {
  auto wmi = win32::MakeWmi();
  auto locator = wmi->CreateLocator();
  auto sink = wmi->CreateSink();
  sink->Cancel();  // nothing registered yet: harmless
  std::unique_ptr<WmiServices> services;
  try {
    services = locator->ConnectServer(computer);
  } catch (const RuntimeError& e) {
    Check(false, "ConnectServer to the own computer: " + e.description());
    return;
  }
  Check(services != nullptr, "ConnectServer gives services");
  try {
    auto systems = services->ExecQuery("Select * From Win32_ComputerSystem", "WQL", 16);
    Check(systems.size() == 1, "one Win32_ComputerSystem instance");
    if (!systems.empty()) {
      const auto name = systems[0]->Property("name");
      Check(name && name->kind() == Variant::Kind::Text && SameIgnoringCase(name->text(), computer),
            "the Name property, asked in lower case, is the computer name");
      Check(!systems[0]->Property("NoSuchProperty").has_value(), "an absent property reads as absent");
      const auto memory = systems[0]->Property("TotalPhysicalMemory");
      Check(memory && (memory->kind() == Variant::Kind::Text || memory->kind() == Variant::Kind::Double),
            "a 64-bit counter arrives as text or Double");
    }
    auto disks = services->ExecQuery("Select * From Win32_LogicalDisk", "WQL", 16);
    Check(!disks.empty(), "logical disks are listed");
  } catch (const RuntimeError& e) {
    Check(false, "queries on the own computer: " + e.description());
  }
  try {
    services->ExecQuery("Select * Fro Win32_BIOS", "WQL", 16);
    Check(false, "a malformed query fails");
  } catch (const RuntimeError& e) {
    Check(e.number() < 0 && !e.description().empty(), "a failed query carries the HRESULT and a text");
  }
  try {
    services->ExecNotificationQueryAsync(
        *sink, "Select * from __InstanceModificationEvent Within 2.0 Where TargetInstance Isa 'Win32_Service'",
        "WQL", 0);
    ++passed;
  } catch (const RuntimeError& e) {
    // Wine has no event provider; what matters is that the refusal is a RuntimeError.
    Check(e.number() < 0, "a refused notification query carries its HRESULT");
  }
  sink->Cancel();
  try {
    locator->ConnectServer("korvane-no-such-host");
    Check(false, "ConnectServer to an unknown computer fails");
  } catch (const RuntimeError& e) {
    Check(!e.description().empty(), "a refused connection carries a description");
  }
}

void Registry(const std::string& computer) {
  auto registry = win32::MakeRegistry();
  std::unique_ptr<RegistryKey> root;
  Check(registry->Connect(computer, kHkeyLocalMachine, root) == kErrorSuccess, "HKLM of the own computer connects");
  std::unique_ptr<RegistryKey> unknown;
  Check(registry->Connect("korvane-no-such-host", kHkeyLocalMachine, unknown) != kErrorSuccess,
        "an unknown computer's registry does not connect");
  if (!root) return;
  std::unique_ptr<RegistryKey> key;
  Check(root->OpenKey("Software\\Microsoft\\Windows NT\\CurrentVersion", 0, 0x3F, key) == kErrorSuccess,
        "the CurrentVersion key opens with access 0x3F");
  if (key) {
    uint32_t type = 0;
    uint32_t size = 0;
    Check(key->QueryValue("CurrentVersion", type, nullptr, size) == kErrorSuccess && type == kRegSz && size > 0,
          "the size probe reports REG_SZ and a size");
    std::string data(size, '\0');
    Check(key->QueryValue("CurrentVersion", type, &data, size) == kErrorSuccess &&
              data.size() >= 3 && data[1] == '.' && data.back() == '\0',
          "CurrentVersion reads as a version with its NUL terminator");
    uint32_t missingType = 0;
    uint32_t missingSize = 0;
    Check(key->QueryValue("KorvaneNoSuchValue", missingType, nullptr, missingSize) == kErrorFileNotFound &&
              missingType == 0,
          "a missing value gives status 2 and leaves the type 0");
  }

  // A key of our own with a non-ASCII name and value, written through the wide calls
  // and read back through the ANSI ones.
  const std::wstring path = L"Software\\Korvane Contract \u00c5land";
  HKEY own = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &own,
                      nullptr) == ERROR_SUCCESS) {
    const std::wstring text = L"\u0160koda\u2122";
    RegSetValueExW(own, L"Caf\u00e9", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    HKEY sub = nullptr;
    RegCreateKeyExW(own, L"\u65e5\u672c", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    if (sub != nullptr) RegCloseKey(sub);
    RegCloseKey(own);
    std::unique_ptr<RegistryKey> key2;
    Check(root->OpenKey(FromWide(path), 0, 0x3F, key2) == kErrorSuccess, "a key with a non-ASCII name opens");
    if (key2) {
      uint32_t type = 0;
      uint32_t size = 0;
      key2->QueryValue("Caf\xc3\xa9", type, nullptr, size);
      std::string data(size, '\0');
      key2->QueryValue("Caf\xc3\xa9", type, &data, size);
      Check(data.substr(0, data.find('\0')) == FromWide(text), "a non-ASCII value reads as UTF-8");
      std::string name;
      Check(key2->EnumKey(0, name, 256) == kErrorSuccess && name == "\xe6\x97\xa5\xe6\x9c\xac",
            "a non-ASCII subkey name reads as UTF-8");
      Check(key2->EnumKey(1, name, 256) == kErrorNoMoreItems, "the subkeys end with status 259");
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (path + L"\\\u65e5\u672c").c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  } else {
    Check(false, "a test key can be created");
  }
}

void ServiceManager(const std::string& computer) {
  auto scm = win32::MakeServiceManager();
  auto handle = scm->Open(computer, kScManagerEnumerateService);
  Check(handle != nullptr, "the own service manager opens");
  if (!handle) return;
  uint32_t needed = 0;
  uint32_t returned = 0;
  uint32_t resume = 0;
  const bool probe = handle->EnumServicesStatus(kServiceWin32, kServiceStateAll, 0, nullptr, needed, returned, resume);
  Check(!probe && handle->LastError() == kErrorMoreData && needed > 0,
        "the size probe fails with last error 234 and reports the bytes needed");
  const uint32_t records = needed / kEnumServiceStatusRecordBytes + 1;
  std::vector<ServiceStatusEntry> entries;
  resume = 0;
  const bool listed = handle->EnumServicesStatus(kServiceWin32, kServiceStateAll,
                                                 records * kEnumServiceStatusRecordBytes, &entries, needed,
                                                 returned, resume);
  Check(listed && returned > 0 && entries.size() == returned, "a buffer of 36-byte records holds the list");
  bool namesPresent = !entries.empty();
  for (const auto& entry : entries) namesPresent = namesPresent && !entry.serviceName.empty();
  Check(namesPresent, "every record has a service name");
  handle->Close();
  handle->Close();  // closing twice is harmless
  // Wine's service manager ignores the computer name.
  Check(scm->Open("korvane-no-such-host", kScManagerEnumerateService) != nullptr,
        "under Wine an unknown computer name opens the local service manager");
}

void WorkstationAndShares(const std::string& computer) {
  auto workstation = win32::MakeWorkstation();
  std::vector<WkstaUserInfo1> users;
  uint32_t read = 0;
  uint32_t total = 0;
  uint32_t resume = 0;
  const uint32_t status = workstation->NetWkstaUserEnum(computer, 1, 256, users, read, total, resume);
  Check(status != 0 && status != kErrorMoreData && read == 0,
        "under Wine the logon enumeration fails and reads nothing");

  auto shares = win32::MakeDiskShares();
  uint64_t available = 0;
  uint64_t bytes = 0;
  uint64_t free = 0;
  Check(shares->GetDiskFreeSpaceEx("C:\\", available, bytes, free) && bytes > 0 && free <= bytes,
        "a local drive reports its size and free space");
  uint64_t untouched = 12345;
  Check(!shares->GetDiskFreeSpaceEx("\\\\" + computer + "\\C$", available, untouched, free) && untouched == 12345,
        "under Wine the administrative share is unreachable and the counts stay untouched");
}

void ProcessConsoleAndClock() {
  auto system = MakeSystemPlatform(0, nullptr);
  Platform platform = system->Get();

  SetEnvironmentVariableW(L"KorvaneContractVar", L"\u00e9t\u00e9");
  const auto value = platform.process->GetEnvironment("KORVANECONTRACTVAR");
  Check(value && *value == "\xc3\xa9t\xc3\xa9", "an environment variable is found without regard to case");
  Check(!platform.process->GetEnvironment("KorvaneNoSuchVariable").has_value(), "an unset variable is absent");
  Check(platform.process->PathSeparator() == '\\', "paths are joined with a backslash");

  wchar_t tempDir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, tempDir);
  const std::string file = FromWide(tempDir) + "korvane-contract-\xc3\xa5.log";
  DeleteFileW(win32::ToWide(file).c_str());
  platform.process->AppendLineToFile(file, "first,line");
  platform.process->AppendLineToFile(file, "second,\xc3\xa5");
  std::string content;
  const HANDLE handle = CreateFileW(win32::ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    char buffer[256];
    DWORD got = 0;
    ReadFile(handle, buffer, sizeof buffer, &got, nullptr);
    content.assign(buffer, got);
    CloseHandle(handle);
  }
  Check(content == "first,line\r\nsecond,\xc3\xa5\r\n", "lines are appended with CR LF, earlier content kept");
  DeleteFileW(win32::ToWide(file).c_str());
  platform.process->AppendLineToFile("Q:\\korvane\\no\\such\\dir\\x.log", "lost");  // must not fail

  platform.process->WaitForTimer(std::chrono::milliseconds(50));
  ++passed;  // the one-shot timer fired and returned

  const HWND listBox = CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  Check(listBox != nullptr, "a list box is created");
  const auto handleValue = static_cast<int32_t>(reinterpret_cast<LONG_PTR>(listBox));
  platform.console->AddLine(handleValue, "PC01,2");
  platform.console->AddLine(0, "lost,0");
  platform.console->AddLine(handleValue, "\xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1,Complete");
  Check(SendMessageW(listBox, LB_GETCOUNT, 0, 0) == 2, "two lines reached the list box, none from handle 0");
  wchar_t line[64] = {};
  SendMessageW(listBox, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  Check(FromWide(line) == "\xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1,Complete",
        "a Greek computer name reaches the list box intact");
  DestroyWindow(listBox);
  platform.console->AddLine(handleValue, "PC01,4");  // a console that is gone loses the line
  ++passed;

  SYSTEMTIME before;
  GetLocalTime(&before);
  const LocalTime now = platform.clock->Now();
  Check(now.year == before.wYear && now.month == before.wMonth && now.day >= 1 && now.hour < 24,
        "the clock reads the local time");
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string computer = OwnComputerName();
  TextCrossesAnsiCalls();
  ArgumentTextRules();
  ComValuesBecomeVariants();
  ErrorsCarryDescriptions();
  EchoAndResolution(computer);
  Wmi(computer);
  Registry(computer);
  ServiceManager(computer);
  WorkstationAndShares(computer);
  ProcessConsoleAndClock();
  Print(std::to_string(passed) + " passed, " + std::to_string(failed) + " failed\n");
  return failed == 0 ? 0 : 1;
}

// The claim is a file of the folder held open with no sharing: the system closes it when
// the process ends, however it ends.
#include "console/system/run_folder.h"

#include <stdexcept>
#include <string>

#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::console {

namespace {

class HandleClaim : public RunFolderClaim {
 public:
  explicit HandleClaim(HANDLE handle) : handle_(handle) {}
  ~HandleClaim() override { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

std::unique_ptr<RunFolderClaim> Open(const std::string& folder, DWORD disposition) {
  const std::wstring path = win32::ToWide(folder + "\\console.lock");
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<HandleClaim>(handle);
}

}  // namespace

std::unique_ptr<RunFolderClaim> ClaimRunFolder(const std::string& folder) {
  auto claim = Open(folder, CREATE_NEW);
  if (!claim) throw std::runtime_error("cannot claim " + folder + " (error " + std::to_string(GetLastError()) + ")");
  return claim;
}

std::unique_ptr<RunFolderClaim> TakeOverRunFolder(const std::string& folder) { return Open(folder, OPEN_EXISTING); }

}  // namespace korvane::console

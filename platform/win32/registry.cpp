// The remote registry through the ANSI calls. Statuses are handed back as the calls
// return them: the callers test for 0, 2 and 259 themselves.
#include <algorithm>
#include <vector>

#include "platform/win32/targets.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace korvane::win32 {

namespace {

// The predefined keys are small negative handle values: 0x80000002 sign-extends to the
// 64-bit HKEY_LOCAL_MACHINE.
HKEY PredefinedKey(uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

class OpenRegistryKey : public RegistryKey {
 public:
  explicit OpenRegistryKey(HKEY key) : key_(key) {}
  OpenRegistryKey(const OpenRegistryKey&) = delete;
  OpenRegistryKey& operator=(const OpenRegistryKey&) = delete;
  ~OpenRegistryKey() override { RegCloseKey(key_); }

  int32_t OpenKey(const std::string& path, uint32_t options, uint32_t access,
                  std::unique_ptr<RegistryKey>& opened) override {
    HKEY sub = nullptr;
    const LSTATUS status = RegOpenKeyExA(key_, ToAnsi(path).c_str(), options, access, &sub);
    if (status == ERROR_SUCCESS) opened = std::make_unique<OpenRegistryKey>(sub);
    return static_cast<int32_t>(status);
  }

  // Sizes cross this interface as the bytes of the UTF-8 text, not of the ANSI text the
  // call hands back: on a system whose code page is not UTF-8, "Grün" is 4 ANSI bytes but
  // 5 UTF-8 ones, and a caller that sized its buffer from the ANSI probe would cut the
  // text. So the probe reads the whole value and reports the size of its converted form.
  int32_t QueryValue(const std::string& name, uint32_t& type, std::string* data,
                     uint32_t& size) override {
    DWORD valueType = type;
    std::string value;
    const LSTATUS status = ReadWhole(ToAnsi(name), valueType, value);
    if (status != ERROR_SUCCESS) return static_cast<int32_t>(status);
    type = valueType;
    const auto needed = static_cast<uint32_t>(value.size());
    if (data == nullptr) {
      size = needed;
      return ERROR_SUCCESS;
    }
    if (size < needed) {
      size = needed;
      return ERROR_MORE_DATA;
    }
    if (data->size() < needed) data->resize(needed);
    data->replace(0, needed, value);
    size = needed;
    return ERROR_SUCCESS;
  }

  int32_t EnumKey(uint32_t index, std::string& name, uint32_t bufferChars) override {
    std::vector<char> buffer(bufferChars + 1, '\0');
    const LSTATUS status = RegEnumKeyA(key_, index, buffer.data(), bufferChars);
    if (status == ERROR_SUCCESS) name = FromAnsi(buffer.data());
    return static_cast<int32_t>(status);
  }

 private:
  // The value's bytes as RegQueryValueExA hands them, string types made UTF-8 (their NUL
  // terminators survive the conversion, so the layout is kept; characters the code page
  // lacks are already its replacement character). A value that grows between the calls
  // is read again.
  LSTATUS ReadWhole(const std::string& ansiName, DWORD& valueType, std::string& value) {
    DWORD bytes = 0;
    LSTATUS status = RegQueryValueExA(key_, ansiName.c_str(), nullptr, &valueType, nullptr, &bytes);
    for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
      std::vector<BYTE> buffer(bytes == 0 ? 1 : bytes, 0);
      DWORD filled = static_cast<DWORD>(buffer.size());
      status = RegQueryValueExA(key_, ansiName.c_str(), nullptr, &valueType, buffer.data(), &filled);
      if (status == ERROR_MORE_DATA) {
        bytes = filled;
        status = ERROR_SUCCESS;
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      value.assign(reinterpret_cast<const char*>(buffer.data()), std::min<DWORD>(filled, bytes));
      if (IsStringType(valueType)) value = FromAnsi(value);
      return ERROR_SUCCESS;
    }
    return status == ERROR_SUCCESS ? ERROR_MORE_DATA : status;
  }

  HKEY key_;
};

class WinRegistry : public RemoteRegistry {
 public:
  int32_t Connect(const std::string& computer, uint32_t root,
                  std::unique_ptr<RegistryKey>& connected) override {
    HKEY key = nullptr;
    const std::string ansi = ToAnsi(computer);
    const LSTATUS status =
        RegConnectRegistryA(ansi.empty() ? nullptr : ansi.c_str(), PredefinedKey(root), &key);
    if (status == ERROR_SUCCESS) connected = std::make_unique<OpenRegistryKey>(key);
    return static_cast<int32_t>(status);
  }
};

}  // namespace

std::unique_ptr<RemoteRegistry> MakeRegistry() { return std::make_unique<WinRegistry>(); }

}  // namespace korvane::win32

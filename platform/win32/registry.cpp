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

  int32_t QueryValue(const std::string& name, uint32_t& type, std::string* data,
                     uint32_t& size) override {
    const std::string ansiName = ToAnsi(name);
    DWORD valueType = type;
    DWORD bytes = size;
    LSTATUS status;
    if (data == nullptr) {
      status = RegQueryValueExA(key_, ansiName.c_str(), nullptr, &valueType, nullptr, &bytes);
    } else {
      bytes = std::min<DWORD>(bytes, static_cast<DWORD>(data->size()));
      std::vector<BYTE> buffer(bytes == 0 ? 1 : bytes, 0);
      status = RegQueryValueExA(key_, ansiName.c_str(), nullptr, &valueType, buffer.data(), &bytes);
      if (status == ERROR_SUCCESS) {
        const std::size_t filled = std::min<std::size_t>(bytes, data->size());
        std::string raw(reinterpret_cast<const char*>(buffer.data()), filled);
        if (IsStringType(valueType)) {
          // ANSI text of a system whose code page is not UTF-8: made UTF-8 here; the
          // NUL terminators survive the conversion, so the layout is kept.
          raw = FromAnsi(raw);
          bytes = static_cast<DWORD>(raw.size());
          if (raw.size() > data->size()) data->resize(raw.size());
        }
        std::copy(raw.begin(), raw.end(), data->begin());
      }
    }
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
      type = valueType;
      size = bytes;
    }
    return static_cast<int32_t>(status);
  }

  int32_t EnumKey(uint32_t index, std::string& name, uint32_t bufferChars) override {
    std::vector<char> buffer(bufferChars + 1, '\0');
    const LSTATUS status = RegEnumKeyA(key_, index, buffer.data(), bufferChars);
    if (status == ERROR_SUCCESS) name = FromAnsi(buffer.data());
    return static_cast<int32_t>(status);
  }

 private:
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

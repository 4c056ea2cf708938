// The remote registry calls the scan makes, encoded and decoded: open a root key, open a
// subkey, name a subkey by index, read a value, close a key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/smb/ndr.h"

namespace korvane::smb::winreg {

constexpr uint16_t kOpenHklm = 2;
constexpr uint16_t kOpenHku = 4;
constexpr uint16_t kCloseKey = 5;
constexpr uint16_t kEnumKey = 9;
constexpr uint16_t kOpenKey = 15;
constexpr uint16_t kQueryValue = 17;

// The most a value may hold: larger announcements are refused rather than allocated.
constexpr uint32_t kMaxValueBytes = 0x4000000;

struct HandleReply {
  ContextHandle handle;
  uint32_t status = 0;
};

struct EnumKeyReply {
  std::string name;
  uint32_t status = 0;
};

struct QueryValueReply {
  uint32_t type = 0;
  uint32_t size = 0;   // the value's size in bytes as the server reports it
  std::string data;    // the raw bytes sent, when asked for
  uint32_t status = 0;
};

std::string EncodeOpenRoot(uint32_t access);
HandleReply DecodeHandleReply(std::string_view reply);  // OpenHKLM, OpenHKU, OpenKey

std::string EncodeCloseKey(const ContextHandle& key);
uint32_t DecodeCloseKey(std::string_view reply);

std::string EncodeOpenKey(const ContextHandle& parent, std::string_view path, uint32_t options,
                          uint32_t access);

// nameChars: the room offered for the name, NUL included.
std::string EncodeEnumKey(const ContextHandle& key, uint32_t index, uint16_t nameChars);
EnumKeyReply DecodeEnumKey(std::string_view reply);

// offered 0 asks for the type and size only.
std::string EncodeQueryValue(const ContextHandle& key, std::string_view name, uint32_t offered);
QueryValueReply DecodeQueryValue(std::string_view reply);

}  // namespace korvane::smb::winreg

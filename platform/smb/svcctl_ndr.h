// The service control manager calls the scan makes: open the manager, list its services,
// close the handle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/smb/ndr.h"

namespace korvane::smb::svcctl {

constexpr uint16_t kCloseServiceHandle = 0;
constexpr uint16_t kEnumServicesStatus = 14;
constexpr uint16_t kOpenScManager = 15;

// The largest listing buffer the interface allows.
constexpr uint32_t kMaxBufferBytes = 0x40000;
// One record of the listing as it travels: two 32-bit offsets and the seven status fields.
constexpr uint32_t kRecordBytes = 36;

struct HandleReply {
  ContextHandle handle;
  uint32_t status = 0;
};

struct EnumReply {
  std::string buffer;
  uint32_t needed = 0;
  uint32_t returned = 0;
  uint32_t resume = 0;
  uint32_t status = 0;
};

struct Service {
  std::string serviceName;
  std::string displayName;
  uint32_t serviceType = 0;
  uint32_t currentState = 0;
};

std::string EncodeOpenScManager(std::string_view machine, uint32_t access);
HandleReply DecodeOpenScManager(std::string_view reply);

std::string EncodeEnumServicesStatus(const ContextHandle& manager, uint32_t type, uint32_t state,
                                     uint32_t offered, uint32_t resume);
EnumReply DecodeEnumServicesStatus(std::string_view reply, uint32_t offered);
// The records of a listing buffer; names are offsets from the buffer's start.
std::vector<Service> ParseServices(std::string_view buffer, uint32_t count);

std::string EncodeCloseServiceHandle(const ContextHandle& handle);
uint32_t DecodeCloseServiceHandle(std::string_view reply);

}  // namespace korvane::smb::svcctl

// The workstation service's list of logons, at level 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/target.h"

namespace korvane::smb::wkssvc {

constexpr uint16_t kEnumUsers = 2;

struct EnumUsersReply {
  std::vector<WkstaUserInfo1> users;
  uint32_t total = 0;
  uint32_t resume = 0;
  uint32_t status = 0;
};

std::string EncodeEnumUsers(std::string_view server, uint32_t preferredMaxLength, uint32_t resume);
EnumUsersReply DecodeEnumUsers(std::string_view reply);

}  // namespace korvane::smb::wkssvc

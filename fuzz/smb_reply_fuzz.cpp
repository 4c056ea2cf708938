// Replies of a remote computer's registry, service manager and workstation service, as
// the scanner decodes them: the first byte picks the call, the rest is the reply. A reply
// either decodes or is refused with NdrError; nothing is read past its end, and nothing
// decoded is larger than what the reply could carry.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/smb/ndr.h"
#include "platform/smb/svcctl_ndr.h"
#include "platform/smb/winreg_ndr.h"
#include "platform/smb/wkssvc_ndr.h"

using namespace korvane::smb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    switch (data[0] % 7) {
      case 0:
        winreg::DecodeHandleReply(reply);
        break;
      case 1: {
        const auto key = winreg::DecodeEnumKey(reply);
        FUZZ_CHECK(key.name.size() <= reply.size() * 3 / 2);
        break;
      }
      case 2: {
        const auto value = winreg::DecodeQueryValue(reply);
        FUZZ_CHECK(value.data.size() <= reply.size());
        FUZZ_CHECK(value.size <= winreg::kMaxValueBytes);
        break;
      }
      case 3:
        svcctl::DecodeOpenScManager(reply);
        break;
      case 4: {
        // The buffer offered is what the reply announces: any size the decoder accepts.
        const uint32_t offered = reply.size() >= 4 ? static_cast<uint8_t>(reply[0]) |
                                                         static_cast<uint8_t>(reply[1]) << 8 |
                                                         static_cast<uint8_t>(reply[2]) << 16
                                                   : 0;
        const auto list = svcctl::DecodeEnumServicesStatus(reply, offered);
        FUZZ_CHECK(list.buffer.size() == offered);
        const auto services = svcctl::ParseServices(list.buffer, list.returned);
        FUZZ_CHECK(services.size() * svcctl::kRecordBytes <= list.buffer.size());
        break;
      }
      case 5: {
        const auto services = svcctl::ParseServices(reply, static_cast<uint32_t>(reply.size() / 36));
        FUZZ_CHECK(services.size() == reply.size() / 36);
        break;
      }
      default: {
        const auto users = wkssvc::DecodeEnumUsers(reply);
        FUZZ_CHECK(users.users.size() * 16 <= reply.size());
        break;
      }
    }
  } catch (const NdrError&) {
  }
  return 0;
}

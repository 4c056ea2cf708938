#include "platform/smb/wkssvc_ndr.h"

#include "platform/smb/ndr.h"

namespace korvane::smb::wkssvc {

std::string EncodeEnumUsers(std::string_view server, uint32_t preferredMaxLength, uint32_t resume) {
  NdrWriter w;
  w.Referent();
  w.TerminatedString(server);
  w.U32(1);  // level
  w.U32(1);  // the container's arm
  w.Referent();
  w.U32(0);  // no entries sent
  w.NullPointer();
  w.U32(preferredMaxLength);
  w.Referent();
  w.U32(resume);
  return w.Bytes();
}

EnumUsersReply DecodeEnumUsers(std::string_view reply) {
  NdrReader r(reply);
  EnumUsersReply out;
  const uint32_t level = r.U32();
  const uint32_t arm = r.U32();
  if (level != 1 || arm != 1) throw NdrError("logon list at another level");
  if (r.Pointer() != 0) {
    const uint32_t count = r.U32();
    if (r.Pointer() != 0) {
      const uint32_t conformance = r.U32();
      // Four pointers a record: a count the reply cannot hold is refused before sizing.
      if (conformance != count || count > r.Left() / 16) {
        throw NdrError("logon count disagrees with its array");
      }
      std::vector<std::array<uint32_t, 4>> pointers(count);
      for (auto& record : pointers) {
        for (auto& p : record) p = r.Pointer();
      }
      for (const auto& record : pointers) {
        WkstaUserInfo1 user;
        std::string* fields[4] = {&user.userName, &user.logonDomain, &user.otherDomains,
                                  &user.logonServer};
        for (size_t i = 0; i < 4; ++i) {
          if (record[i] != 0) *fields[i] = r.String();
        }
        out.users.push_back(std::move(user));
      }
    } else if (count != 0) {
      throw NdrError("logon count without its array");
    }
  }
  out.total = r.U32();
  if (r.Pointer() != 0) out.resume = r.U32();
  out.status = r.Status();
  return out;
}

}  // namespace korvane::smb::wkssvc

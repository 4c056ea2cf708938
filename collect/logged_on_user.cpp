#include "collect/logged_on_user.h"

#include "scan/conversions.h"
#include "scan/korvane.h"
#include "collect/remote_registry.h"
#include "platform/runtime_error.h"
#include "platform/target.h"

namespace korvane {

namespace {

constexpr uint32_t kInfoLevel = 1;
constexpr uint32_t kPreferredMaxLength = 256;

}  // namespace

void WkstaUserEntries::Size(uint32_t total) {
  if (total == 0) throw StandardError(errors::kSubscriptOutOfRange);
  entries_.assign(total, WkstaUserEntry{});
}

WkstaUserEntry& WkstaUserEntries::At(uint32_t index) {
  if (index < 1 || index > entries_.size()) throw StandardError(errors::kSubscriptOutOfRange);
  return entries_[index - 1];
}

std::string WidePtrToString(const std::string& text) {
  // Names of 50 characters or more do not fit the original fixed buffer; they are taken
  // whole here rather than cut.
  return StripNull(text);
}

uint32_t EnumWkstaUsers(Korvane& k, WkstaUserEntries& entries) {
  WorkstationService& workstation = k.platform.targets->Workstation();
  bool first = true;
  uint32_t resumeHandle = 0;
  uint32_t nextIndex = 1;
  uint32_t entriesRead = 0;
  uint32_t totalEntries = 999;  // differs from entriesRead, so the first call is made
  while (totalEntries != entriesRead) {
    std::vector<WkstaUserInfo1> buffer;
    const uint32_t status =
        workstation.NetWkstaUserEnum(k.ctx.ComputerName, kInfoLevel, kPreferredMaxLength,
                                     buffer, entriesRead, totalEntries, resumeHandle);
    if (status != static_cast<uint32_t>(kErrorSuccess) &&
        status != static_cast<uint32_t>(kErrorMoreData)) {
      return status;
    }
    if (first) {
      entries.Size(totalEntries);
      first = false;
    }
    for (uint32_t j = 1; j <= entriesRead; ++j) {
      // A page that reports more records than it holds gives empty texts for the rest,
      // as zero-filled records would.
      const WkstaUserInfo1 record = j <= buffer.size() ? buffer[j - 1] : WkstaUserInfo1{};
      WkstaUserEntry& entry = entries.At(nextIndex + j - 1);
      entry.LogonUser = WidePtrToString(record.userName);
      entry.LogonDomain = WidePtrToString(record.logonDomain);
    }
    nextIndex += entriesRead;
  }
  return static_cast<uint32_t>(kErrorSuccess);
}

void GetUser(Korvane& k) {
  std::string result;
  WkstaUserEntries entries;
  const uint32_t status = EnumWkstaUsers(k, entries);
  if (status == static_cast<uint32_t>(kErrorSuccess)) {
    for (uint32_t i = 1; i <= entries.Count(); ++i) {
      const WkstaUserEntry& entry = entries.At(i);
      if (!entry.LogonUser.empty() && FirstChars(entry.LogonUser, 3) != "SMS") {
        result = entry.LogonDomain + "\\" + entry.LogonUser;
        k.platform.process->ProcessPendingEvents();
      }
    }
  }
  k.snap.UserName = result;
}

}  // namespace korvane

#include "collect/service_list.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "scan/error_log.h"
#include "scan/korvane.h"
#include "formats/software_list_text.h"
#include "collect/remote_registry.h"
#include "platform/target.h"

namespace korvane {

namespace {

constexpr const char* kMessageTitle = "Korvane";

// Removes the last character (not byte) of UTF-8 text; empty text stays empty.
void DropLastChar(std::string& text) {
  if (text.empty()) return;
  std::size_t cut = text.size() - 1;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.erase(cut);
}

void ReportFailure(Korvane& k, ServiceListMode mode, const std::string& messagePrefix,
                   uint32_t lastError) {
  if (mode == ServiceListMode::Logged) {
    // The listing calls report through the last error, not as a run-time error, so the
    // description of the current error is empty.
    LogError(k, "Error listing services", k.ctx.ComputerName + ":");
  } else {
    k.platform.process->MessageBox(messagePrefix + std::to_string(lastError), kMessageTitle);
  }
}

}  // namespace

uint32_t ServiceEntryCount(uint32_t bytesNeeded) {
  const double entries =
      std::nearbyint(static_cast<double>(bytesNeeded) / kEnumServiceStatusRecordBytes + 1);
  return static_cast<uint32_t>(entries);
}

void ListServices(Korvane& k, ServiceListMode mode) {
  std::unique_ptr<ServiceManagerHandle> manager =
      k.platform.targets->Services().Open(k.ctx.ComputerName, kScManagerEnumerateService);
  if (!manager) return;

  uint32_t bytesNeeded = 0;
  uint32_t servicesReturned = 0;
  uint32_t resumeHandle = 0;
  manager->EnumServicesStatus(kServiceWin32, kServiceStateAll, 0, nullptr, bytesNeeded,
                              servicesReturned, resumeHandle);
  if (const uint32_t lastError = manager->LastError();
      lastError != static_cast<uint32_t>(kErrorMoreData)) {
    ReportFailure(k, mode, "LastDLLError = ", lastError);
    return;
  }

  const uint32_t entryCount = ServiceEntryCount(bytesNeeded);
  std::vector<ServiceStatusEntry> entries;
  resumeHandle = 0;
  if (!manager->EnumServicesStatus(kServiceWin32, kServiceStateAll,
                                   entryCount * kEnumServiceStatusRecordBytes, &entries,
                                   bytesNeeded, servicesReturned, resumeHandle)) {
    ReportFailure(k, mode, "EnumServicesStatus failed. LastDllError = ", manager->LastError());
    return;
  }

  const std::size_t returned = std::min<std::size_t>(servicesReturned, entries.size());
  for (std::size_t i = 0; i < returned; ++i) {
    // Display names longer than the original 250-character buffer are taken whole.
    const std::string name = StripNull(entries[i].displayName);
    if (!name.empty()) {
      k.snap.ServiceList += name;
      k.snap.ServiceList += kListSeparator;
    }
  }
  manager->Close();
  DropLastChar(k.snap.ServiceList);
}

}  // namespace korvane

#include "collect/nt_fallback.h"

#include <cstdint>
#include <optional>

#include "scan/conversions.h"
#include "scan/error_handling.h"
#include "scan/korvane.h"
#include "collect/logged_on_user.h"
#include "collect/remote_registry.h"
#include "collect/service_list.h"
#include "platform/runtime_error.h"
#include "platform/target.h"

namespace korvane {

namespace {

constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kTcpipParametersKey = "SYSTEM\\CurrentControlSet\\Services\\TCPIP\\Parameters";
constexpr const char* kInternationalKey = ".DEFAULT\\Control Panel\\International";

struct DriveProbe {
  const char* share;  // as the administrators' shares are usually spelled
  const char* caption;
};
constexpr DriveProbe kDriveProbes[] = {{"C$", "C:"}, {"d$", "D:"}, {"e$", "E:"}};

double WholeMegabytesOrFail(uint64_t bytes) {
  const std::optional<double> mb = WholeMegabytes(static_cast<double>(bytes), 2);
  if (!mb) throw StandardError(errors::kTypeMismatch);
  return *mb;
}

void ProbeDrive(Korvane& k, const DriveProbe& probe) {
  const std::string path = "\\\\" + k.ctx.ComputerName + "\\" + probe.share;
  uint64_t freeBytesAvailable = 0;
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
  k.platform.targets->Shares().GetDiskFreeSpaceEx(path, freeBytesAvailable, totalBytes,
                                                  totalFreeBytes);
  if (totalBytes == 0) return;
  DriveSlot& slot = k.snap.Drives[static_cast<std::size_t>(probe.caption[0] - 'A')];
  Attempt([&] { slot.Caption = probe.caption; });
  Attempt([&] { slot.FreeSpace = WholeMegabytesOrFail(totalFreeBytes); });
  Attempt([&] { slot.Size = WholeMegabytesOrFail(totalBytes); });
}

}  // namespace

std::string VersionName(const std::string& version) {
  const std::string first3 = FirstChars(version, 3);
  if (first3 == "5.1") return "Windows XP";
  if (first3 == "5.0") return "Windows 2000";
  if (first3 == "4.0") return "Windows NT";
  return version;
}

void NTMethod(Korvane& k) {
  MachineSnapshot& s = k.snap;
  const std::string& computer = k.ctx.ComputerName;
  auto read = [&](uint32_t root, const char* key, const char* value) {
    return ReadRemoteValue(k, computer, root, key, value);
  };

  for (const DriveProbe& probe : kDriveProbes) Attempt([&] { ProbeDrive(k, probe); });

  Attempt([&] { GetUser(k); });

  Attempt([&] { s.OSCaption = read(kHkeyLocalMachine, kCurrentVersionKey, "CurrentVersion"); });
  Attempt([&] { s.CSDVersion = read(kHkeyLocalMachine, kCurrentVersionKey, "CSDVersion"); });
  Attempt([&] { s.WindowsDirectory = read(kHkeyLocalMachine, kCurrentVersionKey, "SystemRoot"); });
  Attempt([&] { s.OSCaption = FirstChars(s.OSCaption, 3); });
  Attempt([&] {
    s.OSVersion =
        s.OSCaption + "." + read(kHkeyLocalMachine, kCurrentVersionKey, "CurrentBuildNumber");
  });
  Attempt([&] {
    if (s.OSVersion == ".") s.OSVersion.clear();
  });
  Attempt([&] { s.OSCaption = VersionName(s.OSCaption); });
  Attempt([&] { s.Domain = read(kHkeyLocalMachine, kTcpipParametersKey, "Domain"); });
  Attempt([&] { s.CountryCode = read(kHkeyUsers, kInternationalKey, "iCountry"); });

  Attempt([&] { ListServices(k, ServiceListMode::Message); });
}

}  // namespace korvane

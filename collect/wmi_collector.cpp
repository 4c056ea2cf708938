#include "collect/wmi_collector.h"

#include <optional>
#include <vector>

#include "scan/conversions.h"
#include "scan/error_handling.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/progress.h"
#include "collect/logged_on_user.h"
#include "collect/nt_fallback.h"
#include "collect/service_list.h"
#include "platform/runtime_error.h"
#include "platform/storable_text.h"
#include "platform/target.h"

namespace korvane {

namespace {

// Every statement of the collector runs under Attempt: a failed call or conversion skips
// that one statement and leaves its target as it was.

constexpr int32_t kWbemFlagReturnImmediately = 16;
constexpr const char* kServiceNotification =
    "Select * from __InstanceModificationEvent Within 2.0 Where TargetInstance Isa "
    "'Win32_Service'";
// A property the object does not have, as the scripting runtime reports it.
constexpr int32_t kNoSuchProperty = 438;

using Instances = std::vector<std::unique_ptr<WmiObject>>;

Variant Prop(const WmiObject& object, const char* name) {
  std::optional<Variant> value = object.Property(name);
  if (!value) throw RuntimeError(kNoSuchProperty, "Object doesn't support this property or method");
  return *std::move(value);
}

std::string TextProp(const WmiObject& object, const char* name) {
  return ToText(Prop(object, name));
}

// Whole megabytes of a counter; a quotient under half a megabyte fails the conversion.
double MegabytesProp(const WmiObject& object, const char* name, int divisions) {
  const std::optional<double> mb = WholeMegabytes(ToDouble(Prop(object, name)), divisions);
  if (!mb) throw StandardError(errors::kTypeMismatch);
  return *mb;
}

int32_t LongMegabytesProp(const WmiObject& object, const char* name, int divisions) {
  return ToLong(Variant(MegabytesProp(object, name, divisions)));
}

WmiServices& Services(Korvane& k) {
  if (!k.wmi.WmiServices) throw StandardError(errors::kObjectNotSet);
  return *k.wmi.WmiServices;
}

void RegisterNotification(Korvane& k) {
  Attempt([&] {
    if (!k.wmi.WmiSink) throw StandardError(errors::kObjectNotSet);
    Services(k).ExecNotificationQueryAsync(*k.wmi.WmiSink, kServiceNotification, "WQL", 0);
  });
}

enum class Pass { ComputerSystem, OperatingSystem, Processors, Bios, Drives };

// Runs one pass's query. A failure yields no instances; only error 91 (the services
// object missing) is looked at, and it ends the scan with the pass's own log line.
Instances RunQuery(Korvane& k, Pass pass, const char* query) {
  RegisterNotification(k);
  try {
    return Services(k).ExecQuery(query, "WQL", kWbemFlagReturnImmediately);
  } catch (const RuntimeError& e) {
    if (e.number() != errors::kObjectNotSet) return {};
    const std::string detail = k.ctx.ComputerName + ":" + e.description();
    switch (pass) {
      case Pass::ComputerSystem:
      case Pass::OperatingSystem:
      case Pass::Processors: LogError(k, detail, "ModGetWMI"); break;
      case Pass::Bios: LogError(k, "Error getting WMI BIOS information", detail); break;
      case Pass::Drives: LogError(k, "Error getting WMI Logical Disk information", detail); break;
    }
    EndScan(k);
  }
}

// Returns true when the scan asked for the user only and collection stops here.
bool ComputerSystemPass(Korvane& k) {
  MachineSnapshot& s = k.snap;
  Instances instances = RunQuery(k, Pass::ComputerSystem, "Select * From Win32_ComputerSystem");
  Variant user;  // Empty until an instance hands one over
  for (const auto& o : instances) {
    // The reported name becomes every key of the computer. It ends at a NUL, as it does
    // for every call that names the computer; it is taken as the database will hold it;
    // and a blank name would key rows by nothing, so it is not taken.
    Attempt([&] {
      const std::string text = TextProp(*o, "Name");
      const std::string reported = StorableText(text.substr(0, text.find('\0')));
      if (reported.find_first_not_of(' ') != std::string::npos) k.ctx.ComputerName = reported;
    });
    Attempt([&] { user = Prop(*o, "UserName"); });
    Attempt([&] { s.Manufacturer = TextProp(*o, "Manufacturer"); });
    Attempt([&] { s.Model = TextProp(*o, "Model"); });
    Attempt([&] { s.Domain = TextProp(*o, "Domain"); });
    Attempt([&] { s.TotalPhysicalMemory = LongMegabytesProp(*o, "TotalPhysicalMemory", 2); });
  }
  // Nobody logged on reads as Null and keeps the user name; no instance empties it.
  Attempt([&] { s.UserName = ToText(user); });
  // The memory figure, not the user name, tells whether the pass produced data.
  if (s.TotalPhysicalMemory == 0) Attempt([&] { GetUser(k); });
  return k.ctx.UserOnly;
}

void OperatingSystemPass(Korvane& k) {
  MachineSnapshot& s = k.snap;
  Instances instances = RunQuery(k, Pass::OperatingSystem, "Select * From Win32_OperatingSystem");
  Progress(k, progress::Item(progress::kOperatingSystem));
  for (const auto& o : instances) {
    Attempt([&] { s.BootDevice = TextProp(*o, "BootDevice"); });
    Attempt([&] { s.OSCaption = TextProp(*o, "Caption"); });
    Attempt([&] { s.CountryCode = TextProp(*o, "CountryCode"); });
    Attempt([&] { s.CSDVersion = TextProp(*o, "CSDVersion"); });
    Attempt([&] { s.OSDescription = TextProp(*o, "Description"); });
    Attempt([&] { s.FreePhysicalMemory = LongMegabytesProp(*o, "FreePhysicalMemory", 1); });
    Attempt([&] {
      s.FreeSpaceInPagingFiles = LongMegabytesProp(*o, "FreeSpaceInPagingFiles", 1);
    });
    Attempt([&] { s.FreeVirtualMemory = LongMegabytesProp(*o, "FreeVirtualMemory", 1); });
    Attempt([&] { s.OSVersion = TextProp(*o, "Version"); });
    Attempt([&] { s.WindowsDirectory = TextProp(*o, "WindowsDirectory"); });
  }
}

void ProcessorPass(Korvane& k) {
  Instances instances = RunQuery(k, Pass::Processors, "Select * From Win32_Processor");
  std::size_t counter = 0;
  for (const auto& o : instances) {
    if (counter < static_cast<std::size_t>(kProcessorSlots)) {
      ProcessorSlot& slot = k.snap.Processors[counter];
      Attempt([&] { slot.Name = CollapseSpaces(TextProp(*o, "Name")); });
      Attempt([&] { slot.ClockSpeed = ToDouble(Prop(*o, "currentclockspeed")); });
    }
    ++counter;
  }
}

void BiosPass(Korvane& k) {
  MachineSnapshot& s = k.snap;
  Instances instances = RunQuery(k, Pass::Bios, "Select * From Win32_BIOS");
  for (const auto& o : instances) {
    Attempt([&] { s.BIOSManufacturer = TextProp(*o, "Manufacturer"); });
    Attempt([&] { s.SMBIOSBIOSVersion = TextProp(*o, "SMBIOSBIOSVersion"); });
    Attempt([&] { s.SerialNumber = TextProp(*o, "serialnumber"); });
  }
  Progress(k, progress::Item(progress::kBios));
}

void DrivePass(Korvane& k) {
  Instances instances = RunQuery(k, Pass::Drives, "Select * From Win32_LogicalDisk");
  for (const auto& o : instances) {
    for (int i = 0; i < kDriveSlots; ++i) {
      const std::string name = std::string(1, MachineSnapshot::DriveLetter(i)) + ":";
      bool matches = false;
      Attempt([&] { matches = TextProp(*o, "Caption") == name; });
      if (!matches) continue;
      DriveSlot& slot = k.snap.Drives[static_cast<std::size_t>(i)];
      Attempt([&] { slot.Caption = TextProp(*o, "Caption"); });
      Attempt([&] { slot.Size = MegabytesProp(*o, "Size", 2); });
      Attempt([&] { slot.FreeSpace = MegabytesProp(*o, "freespace", 2); });
      Attempt([&] { slot.VolumeName = TextProp(*o, "volumename"); });
      Attempt([&] { slot.FileSystem = TextProp(*o, "FileSystem"); });
      Attempt([&] { slot.VolumeSerialNumber = TextProp(*o, "volumeserialnumber"); });
    }
  }
  Progress(k, progress::Item(progress::kDrives));
}

}  // namespace

void ConnectWMI(Korvane& k, const std::string& computerName) {
  if (!k.wmi.WmiSink || !k.wmi.WmiLocator) throw StandardError(errors::kObjectNotSet);
  k.wmi.WmiSink->Cancel();
  k.wmi.WmiServices = k.wmi.WmiLocator->ConnectServer(computerName);
}

void GetWMI(Korvane& k) {
  WmiApi& api = k.platform.targets->Wmi();
  Attempt([&] { k.wmi.WmiLocator = api.CreateLocator(); });
  Attempt([&] { k.wmi.WmiSink = api.CreateSink(); });
  try {
    ConnectWMI(k, k.ctx.ComputerName);
  } catch (const RuntimeError& e) {
    LogError(k, "Unable to access WMI", k.ctx.ComputerName + ":" + e.description());
    NTMethod(k);
    return;
  }
  Progress(k, progress::Item(progress::kWmiConnected));
  if (ComputerSystemPass(k)) return;
  OperatingSystemPass(k);
  ProcessorPass(k);
  Attempt([&] { ListServices(k, ServiceListMode::Logged); });
  Progress(k, progress::Item(progress::kServices));
  BiosPass(k);
  DrivePass(k);
}

std::string CollapseSpaces(const std::string& s) {
  std::string result;
  std::size_t pos = 0;
  const std::size_t rounds = CharCount(s);
  for (std::size_t round = 0; round < rounds && pos < s.size(); ++round) {
    if (s.size() - pos >= 2 && s[pos] == ' ' && s[pos + 1] == ' ') {
      pos += 2;
      continue;
    }
    // One whole UTF-8 character.
    std::size_t end = pos + 1;
    while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
    result.append(s, pos, end - pos);
    pos = end;
  }
  return result == " " ? std::string() : result;
}

}  // namespace korvane

#include "collect/snapshot_dump.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "scan/conversions.h"
#include "scan/korvane.h"

namespace korvane {

namespace {

// Just enough JSON for one flat record with two arrays of records; UTF-8 text passes
// through, quotes, backslashes and control characters are escaped.
class JsonWriter {
 public:
  void BeginObject() { Separate(); out_ += '{'; first_ = true; }
  void EndObject() { out_ += '}'; first_ = false; }
  void BeginArray(const char* key) { Key(key); out_ += '['; first_ = true; }
  void EndArray() { out_ += ']'; first_ = false; }

  void Field(const char* key, const std::string& text) {
    Key(key);
    String(text);
  }
  void Field(const char* key, double number) {
    Key(key);
    out_ += std::isfinite(number) ? NumberText(number) : std::string("null");
    first_ = false;
  }

  const std::string& Text() const { return out_; }

 private:
  void Separate() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  void Key(const char* key) {
    Separate();
    String(key);
    out_ += ':';
    first_ = true;  // the value that follows takes no comma of its own
  }
  void String(const std::string& text) {
    out_ += '"';
    for (char c : text) {
      switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out_ += escaped;
          } else {
            out_ += c;
          }
      }
    }
    out_ += '"';
    first_ = false;
  }

  std::string out_;
  bool first_ = true;
};

std::string SnapshotJson(const Korvane& k) {
  const MachineSnapshot& s = k.snap;
  JsonWriter w;
  w.BeginObject();
  w.Field("ComputerName", k.ctx.ComputerName);
  w.Field("Manufacturer", s.Manufacturer);
  w.Field("Model", s.Model);
  w.Field("Domain", s.Domain);
  w.Field("BootDevice", s.BootDevice);
  w.Field("OSDescription", s.OSDescription);
  w.Field("OSCaption", s.OSCaption);
  w.Field("CSDVersion", s.CSDVersion);
  w.Field("OSVersion", s.OSVersion);
  w.Field("TotalPhysicalMemory", s.TotalPhysicalMemory);
  w.Field("FreePhysicalMemory", s.FreePhysicalMemory);
  w.Field("FreeSpaceInPagingFiles", s.FreeSpaceInPagingFiles);
  w.Field("FreeVirtualMemory", s.FreeVirtualMemory);
  w.Field("CountryCode", s.CountryCode);
  w.Field("WindowsDirectory", s.WindowsDirectory);
  w.Field("BIOSManufacturer", s.BIOSManufacturer);
  w.Field("SMBIOSBIOSVersion", s.SMBIOSBIOSVersion);
  w.Field("SerialNumber", s.SerialNumber);
  w.Field("UserName", s.UserName);
  w.Field("SoftwareList", s.SoftwareList);
  w.Field("ServiceList", s.ServiceList);
  w.BeginArray("Processors");
  for (const ProcessorSlot& p : s.Processors) {
    w.BeginObject();
    w.Field("Name", p.Name);
    w.Field("ClockSpeed", p.ClockSpeed);
    w.EndObject();
  }
  w.EndArray();
  w.BeginArray("Drives");
  for (int i = 0; i < kDriveSlots; ++i) {
    const DriveSlot& d = s.Drives[static_cast<std::size_t>(i)];
    w.BeginObject();
    w.Field("Letter", std::string(1, MachineSnapshot::DriveLetter(i)));
    w.Field("Caption", d.Caption);
    w.Field("Size", d.Size);
    w.Field("FreeSpace", d.FreeSpace);
    w.Field("VolumeName", d.VolumeName);
    w.Field("FileSystem", d.FileSystem);
    w.Field("VolumeSerialNumber", d.VolumeSerialNumber);
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return w.Text() + "\n";
}

}  // namespace

void DumpSnapshotIfAsked(Korvane& k) {
  const std::optional<std::string> path = k.platform.process->GetEnvironment("KORVANE_SNAPSHOT");
  if (!path || path->empty()) return;
  // A diagnostic aid only: a file that cannot be written is silently skipped.
  std::ofstream out(*path, std::ios::binary | std::ios::trunc);
  if (out) out << SnapshotJson(k);
}

}  // namespace korvane

#include "tests/inventory/reconcile_harness.h"

#include "scan/conversions.h"

namespace korvane::inventory_test {

LocalTime SteppingClock::Now() {
  const LocalTime now = next;
  next.second += 1;
  if (next.second == 60) {
    next.second = 0;
    next.minute += 1;
  }
  return now;
}

MachineSnapshot KnownMachine() {
  MachineSnapshot s;
  s.Manufacturer = "Alpha";
  s.Model = "M1";
  s.Domain = "corp";
  s.BootDevice = "\\Device\\HarddiskVolume1";
  s.OSCaption = "Microsoft Windows XP Professional";
  s.CSDVersion = "Service Pack 2";
  s.OSVersion = "5.1.2600";
  s.Processors[0] = {"Pentium 4", 2400};
  s.TotalPhysicalMemory = 512;
  s.FreePhysicalMemory = 210;
  s.FreeSpaceInPagingFiles = 1024;
  s.FreeVirtualMemory = 1953;
  s.CountryCode = "44";
  s.WindowsDirectory = "C:\\WINDOWS";
  s.BIOSManufacturer = "Phoenix";
  s.SMBIOSBIOSVersion = "A05";
  s.SerialNumber = "7XK2Q1J";
  s.UserName = "CORP\\jsmith";
  s.Drives[2] = {"C:", 38154, 12288, "SYSTEM", "NTFS", "A4B2C3D4"};
  s.Drives[3] = {"D:", 950, 400, "DATA", "NTFS", "11112222"};
  const std::string sec = "\xC2\xA7";
  s.SoftwareList = "Office" + sec + "11.0" + sec + "C:\\Office" + sec + "ID1";
  s.ServiceList = "Alerter^Computer Browser";
  return s;
}

Reconciliation::Reconciliation() { process.environment["Temp"] = "T"; }

Korvane& Reconciliation::NewScan(const MachineSnapshot& snap, bool userOnly) {
  k_ = std::make_unique<Korvane>(Platform{&process, &console, &clock, &db, nullptr});
  k_->ctx.ComputerName = "PC01";
  k_->ctx.ConsoleListBox = 3;
  k_->ctx.ConnectionString = "Provider=SQLOLEDB;Data Source=memory";
  k_->ctx.TempDir = "T";
  k_->ctx.IPAddress = "192.168.1.20";
  k_->ctx.UserOnly = userOnly;
  k_->snap = snap;
  return *k_;
}

Row Reconciliation::Asset() { return db.RowsOf("Asset", "PC01").at(0); }

namespace {
std::vector<std::string> Entries(const Row& asset) {
  std::vector<std::string> entries;
  if (asset[92].IsNull()) return entries;
  const std::string h = ToText(asset[92]);
  std::size_t start = 0;
  for (std::size_t p = h.find('^'); p != std::string::npos; p = h.find('^', start)) {
    entries.push_back(h.substr(start, p - start));
    start = p + 1;
  }
  return entries;
}
}  // namespace

std::vector<std::string> Reconciliation::Changes() {
  std::vector<std::string> out;
  for (const auto& e : Entries(Asset())) out.push_back(e.substr(e.find('~') + 1));
  return out;
}

std::vector<std::string> Reconciliation::Stamps() {
  std::vector<std::string> out;
  for (const auto& e : Entries(Asset())) out.push_back(e.substr(0, e.find('~')));
  return out;
}

std::vector<int> Reconciliation::UpdatesOf(const std::string& table, std::size_t from) {
  std::vector<int> out;
  const std::string prefix = "update " + table + " ";
  for (std::size_t i = from; i < db.calls.size(); ++i) {
    if (db.calls[i].starts_with(prefix)) out.push_back(std::stoi(db.calls[i].substr(prefix.size())));
  }
  return out;
}

std::vector<std::string> Reconciliation::LogLines() { return process.files["T\\DrevantaAssetDB.log"]; }

}  // namespace korvane::inventory_test

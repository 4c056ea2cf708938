#include "inventory/query_texts.h"

#include "formats/drive_history_text.h"

namespace korvane {

std::string QuoteInLiteral(const std::string& name) {
  std::string quoted;
  quoted.reserve(name.size());
  for (char c : name) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted;
}

std::string AssetQuery(const std::string& computer) {
  return "SELECT *, Computer AS Expr1 From Asset WHERE (Computer = N'" + QuoteInLiteral(computer) +
         "')";
}

std::string SoftwareQuery(const std::string& computer) {
  return "SELECT *, SoftComputer AS Expr1 From Software WHERE (SoftComputer = N'" +
         QuoteInLiteral(computer) + "')";
}

std::string ServicesQuery(const std::string& computer) {
  return "SELECT *, ServComputer AS Expr1 From Services WHERE (ServComputer = N'" +
         QuoteInLiteral(computer) + "')";
}

std::string LastAccessQuery(const std::string& computer) {
  return "SELECT *, Computer AS Expr1 From LastAccess WHERE (Computer = N'" +
         QuoteInLiteral(computer) + "')";
}

std::string DriveHistoryQuery(const std::string& computer, const std::string& letter) {
  return "SELECT *, DiskComputer AS Expr1 From DriveHistory WHERE (DiskComputer = '" +
         QuoteInLiteral(DriveHistoryKey(computer, letter)) + "')";
}

namespace asset {

std::string ColumnName(int ordinal) {
  static const char* const kLeading[] = {
      "Computer", "Manufacturer", "Model", "Domain", "BootDevice", "OSDescription", "OSCaption", "CSDVersion",
      "OSVersion", "Processor1Name", "Processor1ClockSpeed", "Processor2Name", "Processor2ClockSpeed",
      "Processor3Name", "Processor3ClockSpeed", "Processor4Name", "Processor4ClockSpeed", "TotalPhysicalMemory",
      "FreePhysicalMemory", "FreeSpaceInPagingFiles", "FreeVirtualMemory", "CountryCode", "WindowsDirectory",
      "BIOSManufacturer", "SMBIOSBIOSVersion", "SerialNumber", "LastScan", "UserName", "Reserved1", "Reserved2",
      "IPAddress"};
  static const char* const kSlot[] = {"Caption", "Size", "FreeSpace", "VolumeName", "FileSystem",
                                      "VolumeSerialNumber"};
  if (ordinal >= 0 && ordinal < kFirstDriveSlot) return kLeading[ordinal];
  if (ordinal >= kFirstDriveSlot && ordinal < DriveSlot(10)) {
    const int slot = ordinal - kFirstDriveSlot;
    return "Drive" + std::string(1, static_cast<char>('A' + slot / kDriveSlotWidth)) + kSlot[slot % kDriveSlotWidth];
  }
  if (ordinal == DriveSlot(10)) return "Reserved3";
  if (ordinal == kHistory) return "History";
  return "";
}

}  // namespace asset

}  // namespace korvane

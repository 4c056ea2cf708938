// Query texts and column ordinals of the inventory tables. Non-key columns are always
// addressed by ordinal; the per-computer queries return the table's own columns first,
// in table order, followed by Expr1 (never read).
//
// A name is inserted between the literal parts of a query with its apostrophes doubled,
// so that no computer name can change what a statement does.
#pragma once

#include <string>

namespace korvane {

std::string QuoteInLiteral(const std::string& name);  // doubles every apostrophe

std::string AssetQuery(const std::string& computer);
std::string SoftwareQuery(const std::string& computer);
std::string ServicesQuery(const std::string& computer);
std::string LastAccessQuery(const std::string& computer);
std::string DriveHistoryQuery(const std::string& computer, const std::string& letter);

inline constexpr const char* kAllAssetQuery = "SELECT * From Asset";
inline constexpr const char* kAllSoftwareQuery = "SELECT * From Software";
inline constexpr const char* kAllServicesQuery = "SELECT * From Services";
inline constexpr const char* kAllLastAccessQuery = "SELECT * from LastAccess";

namespace asset {
constexpr int kComputer = 0;
constexpr int kManufacturer = 1;
constexpr int kModel = 2;
constexpr int kDomain = 3;
constexpr int kBootDevice = 4;
constexpr int kOSDescription = 5;
constexpr int kOSCaption = 6;
constexpr int kCSDVersion = 7;
constexpr int kOSVersion = 8;
constexpr int kProcessor1Name = 9;  // processor n (1..4): name 7 + 2n, speed 8 + 2n
constexpr int kTotalPhysicalMemory = 17;
constexpr int kFreePhysicalMemory = 18;
constexpr int kFreeSpaceInPagingFiles = 19;
constexpr int kFreeVirtualMemory = 20;
constexpr int kCountryCode = 21;
constexpr int kWindowsDirectory = 22;
constexpr int kBIOSManufacturer = 23;
constexpr int kSMBIOSBIOSVersion = 24;
constexpr int kSerialNumber = 25;
constexpr int kLastScan = 26;
constexpr int kUserName = 27;
constexpr int kIPAddress = 30;
constexpr int kFirstDriveSlot = 31;  // slot of letter index i starts at 31 + 6 i
constexpr int kDriveSlotWidth = 6;
constexpr int kHistory = 92;
constexpr int kColumnCount = 93;

constexpr int ProcessorName(int n) { return 7 + 2 * n; }        // n = 1..4
constexpr int ProcessorClockSpeed(int n) { return 8 + 2 * n; }  // n = 1..4
constexpr int DriveSlot(int letterIndex) { return kFirstDriveSlot + kDriveSlotWidth * letterIndex; }

// The name of the column at `ordinal` as the inventory's tables are created; an
// inventory made elsewhere may name them otherwise, so only readers that fall back to
// ordinals use it.
std::string ColumnName(int ordinal);

// Column ranges the reconciliation walks, both ends included.
struct ColumnRange {
  int first;
  int last;
};
// Manufacturer to FreeVirtualMemory: the columns that tell whether a row was ever filled.
inline constexpr ColumnRange kFilledColumns{kManufacturer, kFreeVirtualMemory};
// Manufacturer to processor 4's speed, and memory to SerialNumber: the plain columns,
// written in that order with IPAddress between them.
inline constexpr ColumnRange kSystemColumns{kManufacturer, ProcessorClockSpeed(4)};
inline constexpr ColumnRange kMemoryToSerialColumns{kTotalPhysicalMemory, kSerialNumber};
// The letter indexes of C: to J:, the drives that get a free-space history.
inline constexpr int kFirstHistoryDriveIndex = 2;
// Offsets within a drive slot.
constexpr int kDriveCaption = 0;
constexpr int kDriveSize = 1;
constexpr int kDriveFreeSpace = 2;
constexpr int kDriveVolumeName = 3;
constexpr int kDriveFileSystem = 4;
constexpr int kDriveVolumeSerialNumber = 5;
}  // namespace asset

namespace software {
constexpr int kSoftComputer = 0;
constexpr int kSoftwareList = 1;
}  // namespace software

namespace services {
constexpr int kServComputer = 0;
constexpr int kServiceList = 1;
}  // namespace services

namespace last_access {
constexpr int kComputer = 0;
constexpr int kLastAccessTime = 1;
}  // namespace last_access

namespace drive_history {
constexpr int kDiskComputer = 0;
constexpr int kDiskHistory = 1;
constexpr int kDiskComputerName = 2;
}  // namespace drive_history

}  // namespace korvane

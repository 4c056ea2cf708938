-- The inventory tables for the embedded SQLite database (DrevantaAsset.sqlite).
-- Column order is binding: the scanner addresses every non-key column by its ordinal.
-- Key columns compare without regard to letter case (COLLATE NOCASE), as the keys of
-- the SQL Server catalog do under its default collation, and each has an index.
-- Declared sizes are what DefinedSize reports (TEXT: unbounded).

CREATE TABLE IF NOT EXISTS Asset (
  Computer NVARCHAR(255) NOT NULL COLLATE NOCASE,
  Manufacturer NVARCHAR(255),
  Model NVARCHAR(255),
  Domain NVARCHAR(255),
  BootDevice NVARCHAR(255),
  OSDescription NVARCHAR(255),
  OSCaption NVARCHAR(255),
  CSDVersion NVARCHAR(255),
  OSVersion NVARCHAR(255),
  Processor1Name NVARCHAR(255),
  Processor1ClockSpeed FLOAT,
  Processor2Name NVARCHAR(255),
  Processor2ClockSpeed FLOAT,
  Processor3Name NVARCHAR(255),
  Processor3ClockSpeed FLOAT,
  Processor4Name NVARCHAR(255),
  Processor4ClockSpeed FLOAT,
  TotalPhysicalMemory INTEGER,
  FreePhysicalMemory INTEGER,
  FreeSpaceInPagingFiles INTEGER,
  FreeVirtualMemory INTEGER,
  CountryCode NVARCHAR(255),
  WindowsDirectory NVARCHAR(255),
  BIOSManufacturer NVARCHAR(255),
  SMBIOSBIOSVersion NVARCHAR(255),
  SerialNumber NVARCHAR(255),
  LastScan NVARCHAR(255),
  UserName NVARCHAR(255),
  Reserved1 NVARCHAR(255),
  Reserved2 NVARCHAR(255),
  IPAddress NVARCHAR(255),
  DriveACaption NVARCHAR(255),
  DriveASize FLOAT,
  DriveAFreeSpace FLOAT,
  DriveAVolumeName NVARCHAR(255),
  DriveAFileSystem NVARCHAR(255),
  DriveAVolumeSerialNumber NVARCHAR(255),
  DriveBCaption NVARCHAR(255),
  DriveBSize FLOAT,
  DriveBFreeSpace FLOAT,
  DriveBVolumeName NVARCHAR(255),
  DriveBFileSystem NVARCHAR(255),
  DriveBVolumeSerialNumber NVARCHAR(255),
  DriveCCaption NVARCHAR(255),
  DriveCSize FLOAT,
  DriveCFreeSpace FLOAT,
  DriveCVolumeName NVARCHAR(255),
  DriveCFileSystem NVARCHAR(255),
  DriveCVolumeSerialNumber NVARCHAR(255),
  DriveDCaption NVARCHAR(255),
  DriveDSize FLOAT,
  DriveDFreeSpace FLOAT,
  DriveDVolumeName NVARCHAR(255),
  DriveDFileSystem NVARCHAR(255),
  DriveDVolumeSerialNumber NVARCHAR(255),
  DriveECaption NVARCHAR(255),
  DriveESize FLOAT,
  DriveEFreeSpace FLOAT,
  DriveEVolumeName NVARCHAR(255),
  DriveEFileSystem NVARCHAR(255),
  DriveEVolumeSerialNumber NVARCHAR(255),
  DriveFCaption NVARCHAR(255),
  DriveFSize FLOAT,
  DriveFFreeSpace FLOAT,
  DriveFVolumeName NVARCHAR(255),
  DriveFFileSystem NVARCHAR(255),
  DriveFVolumeSerialNumber NVARCHAR(255),
  DriveGCaption NVARCHAR(255),
  DriveGSize FLOAT,
  DriveGFreeSpace FLOAT,
  DriveGVolumeName NVARCHAR(255),
  DriveGFileSystem NVARCHAR(255),
  DriveGVolumeSerialNumber NVARCHAR(255),
  DriveHCaption NVARCHAR(255),
  DriveHSize FLOAT,
  DriveHFreeSpace FLOAT,
  DriveHVolumeName NVARCHAR(255),
  DriveHFileSystem NVARCHAR(255),
  DriveHVolumeSerialNumber NVARCHAR(255),
  DriveICaption NVARCHAR(255),
  DriveISize FLOAT,
  DriveIFreeSpace FLOAT,
  DriveIVolumeName NVARCHAR(255),
  DriveIFileSystem NVARCHAR(255),
  DriveIVolumeSerialNumber NVARCHAR(255),
  DriveJCaption NVARCHAR(255),
  DriveJSize FLOAT,
  DriveJFreeSpace FLOAT,
  DriveJVolumeName NVARCHAR(255),
  DriveJFileSystem NVARCHAR(255),
  DriveJVolumeSerialNumber NVARCHAR(255),
  Reserved3 NVARCHAR(255),
  History TEXT
);

CREATE INDEX IF NOT EXISTS IX_Asset_Computer ON Asset (Computer);

CREATE TABLE IF NOT EXISTS Software (
  SoftComputer NVARCHAR(255) NOT NULL COLLATE NOCASE,
  SoftwareList TEXT
);

CREATE INDEX IF NOT EXISTS IX_Software_SoftComputer ON Software (SoftComputer);

CREATE TABLE IF NOT EXISTS Services (
  ServComputer NVARCHAR(255) NOT NULL COLLATE NOCASE,
  ServiceList TEXT
);

CREATE INDEX IF NOT EXISTS IX_Services_ServComputer ON Services (ServComputer);

CREATE TABLE IF NOT EXISTS LastAccess (
  Computer NVARCHAR(255) NOT NULL COLLATE NOCASE,
  LastAccessTime NVARCHAR(255)
);

CREATE INDEX IF NOT EXISTS IX_LastAccess_Computer ON LastAccess (Computer);

CREATE TABLE IF NOT EXISTS DriveHistory (
  DiskComputer NVARCHAR(255) NOT NULL COLLATE NOCASE,
  DiskHistory NVARCHAR(4000),
  DiskComputerName NVARCHAR(255)
);

CREATE INDEX IF NOT EXISTS IX_DriveHistory_DiskComputer ON DriveHistory (DiskComputer);

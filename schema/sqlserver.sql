-- The inventory tables for SQL Server (catalog DrevantaAsset).
-- Column order is binding: the scanner addresses every non-key column by its ordinal.
-- Key columns compare without regard to letter case under the database's default
-- (case-insensitive) collation; each key has an index.

IF OBJECT_ID(N'Asset', N'U') IS NULL
CREATE TABLE Asset (
  Computer NVARCHAR(255) NOT NULL,
  Manufacturer NVARCHAR(MAX),
  Model NVARCHAR(MAX),
  Domain NVARCHAR(MAX),
  BootDevice NVARCHAR(MAX),
  OSDescription NVARCHAR(MAX),
  OSCaption NVARCHAR(MAX),
  CSDVersion NVARCHAR(MAX),
  OSVersion NVARCHAR(MAX),
  Processor1Name NVARCHAR(MAX),
  Processor1ClockSpeed FLOAT,
  Processor2Name NVARCHAR(MAX),
  Processor2ClockSpeed FLOAT,
  Processor3Name NVARCHAR(MAX),
  Processor3ClockSpeed FLOAT,
  Processor4Name NVARCHAR(MAX),
  Processor4ClockSpeed FLOAT,
  TotalPhysicalMemory INT,
  FreePhysicalMemory INT,
  FreeSpaceInPagingFiles INT,
  FreeVirtualMemory INT,
  CountryCode NVARCHAR(MAX),
  WindowsDirectory NVARCHAR(MAX),
  BIOSManufacturer NVARCHAR(MAX),
  SMBIOSBIOSVersion NVARCHAR(MAX),
  SerialNumber NVARCHAR(MAX),
  LastScan NVARCHAR(MAX),
  UserName NVARCHAR(MAX),
  Reserved1 NVARCHAR(MAX),
  Reserved2 NVARCHAR(MAX),
  IPAddress NVARCHAR(MAX),
  DriveACaption NVARCHAR(MAX),
  DriveASize FLOAT,
  DriveAFreeSpace FLOAT,
  DriveAVolumeName NVARCHAR(MAX),
  DriveAFileSystem NVARCHAR(MAX),
  DriveAVolumeSerialNumber NVARCHAR(MAX),
  DriveBCaption NVARCHAR(MAX),
  DriveBSize FLOAT,
  DriveBFreeSpace FLOAT,
  DriveBVolumeName NVARCHAR(MAX),
  DriveBFileSystem NVARCHAR(MAX),
  DriveBVolumeSerialNumber NVARCHAR(MAX),
  DriveCCaption NVARCHAR(MAX),
  DriveCSize FLOAT,
  DriveCFreeSpace FLOAT,
  DriveCVolumeName NVARCHAR(MAX),
  DriveCFileSystem NVARCHAR(MAX),
  DriveCVolumeSerialNumber NVARCHAR(MAX),
  DriveDCaption NVARCHAR(MAX),
  DriveDSize FLOAT,
  DriveDFreeSpace FLOAT,
  DriveDVolumeName NVARCHAR(MAX),
  DriveDFileSystem NVARCHAR(MAX),
  DriveDVolumeSerialNumber NVARCHAR(MAX),
  DriveECaption NVARCHAR(MAX),
  DriveESize FLOAT,
  DriveEFreeSpace FLOAT,
  DriveEVolumeName NVARCHAR(MAX),
  DriveEFileSystem NVARCHAR(MAX),
  DriveEVolumeSerialNumber NVARCHAR(MAX),
  DriveFCaption NVARCHAR(MAX),
  DriveFSize FLOAT,
  DriveFFreeSpace FLOAT,
  DriveFVolumeName NVARCHAR(MAX),
  DriveFFileSystem NVARCHAR(MAX),
  DriveFVolumeSerialNumber NVARCHAR(MAX),
  DriveGCaption NVARCHAR(MAX),
  DriveGSize FLOAT,
  DriveGFreeSpace FLOAT,
  DriveGVolumeName NVARCHAR(MAX),
  DriveGFileSystem NVARCHAR(MAX),
  DriveGVolumeSerialNumber NVARCHAR(MAX),
  DriveHCaption NVARCHAR(MAX),
  DriveHSize FLOAT,
  DriveHFreeSpace FLOAT,
  DriveHVolumeName NVARCHAR(MAX),
  DriveHFileSystem NVARCHAR(MAX),
  DriveHVolumeSerialNumber NVARCHAR(MAX),
  DriveICaption NVARCHAR(MAX),
  DriveISize FLOAT,
  DriveIFreeSpace FLOAT,
  DriveIVolumeName NVARCHAR(MAX),
  DriveIFileSystem NVARCHAR(MAX),
  DriveIVolumeSerialNumber NVARCHAR(MAX),
  DriveJCaption NVARCHAR(MAX),
  DriveJSize FLOAT,
  DriveJFreeSpace FLOAT,
  DriveJVolumeName NVARCHAR(MAX),
  DriveJFileSystem NVARCHAR(MAX),
  DriveJVolumeSerialNumber NVARCHAR(MAX),
  Reserved3 NVARCHAR(MAX),
  History NVARCHAR(MAX)
);

IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_Asset_Computer')
CREATE INDEX IX_Asset_Computer ON Asset (Computer);

IF OBJECT_ID(N'Software', N'U') IS NULL
CREATE TABLE Software (
  SoftComputer NVARCHAR(255) NOT NULL,
  SoftwareList NVARCHAR(MAX)
);

IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_Software_SoftComputer')
CREATE INDEX IX_Software_SoftComputer ON Software (SoftComputer);

IF OBJECT_ID(N'Services', N'U') IS NULL
CREATE TABLE Services (
  ServComputer NVARCHAR(255) NOT NULL,
  ServiceList NVARCHAR(MAX)
);

IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_Services_ServComputer')
CREATE INDEX IX_Services_ServComputer ON Services (ServComputer);

IF OBJECT_ID(N'LastAccess', N'U') IS NULL
CREATE TABLE LastAccess (
  Computer NVARCHAR(255) NOT NULL,
  LastAccessTime NVARCHAR(255)
);

IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_LastAccess_Computer')
CREATE INDEX IX_LastAccess_Computer ON LastAccess (Computer);

IF OBJECT_ID(N'DriveHistory', N'U') IS NULL
CREATE TABLE DriveHistory (
  DiskComputer NVARCHAR(255) NOT NULL,
  DiskHistory NVARCHAR(4000),
  DiskComputerName NVARCHAR(255)
);

IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_DriveHistory_DiskComputer')
CREATE INDEX IX_DriveHistory_DiskComputer ON DriveHistory (DiskComputer);

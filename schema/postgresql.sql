-- The inventory tables for PostgreSQL (database DrevantaAsset).
-- Column order is binding: the scanner addresses every non-key column by its ordinal.
-- Key columns are citext so that the query texts, sent as they stand, match keys without
-- regard to letter case as SQL Server does under its default collation; each key has an
-- index. Identifiers are unquoted, so the query texts find them whatever their case.
CREATE EXTENSION IF NOT EXISTS citext;

CREATE TABLE IF NOT EXISTS Asset (
  Computer CITEXT NOT NULL,
  Manufacturer VARCHAR(255),
  Model VARCHAR(255),
  Domain VARCHAR(255),
  BootDevice VARCHAR(255),
  OSDescription VARCHAR(255),
  OSCaption VARCHAR(255),
  CSDVersion VARCHAR(255),
  OSVersion VARCHAR(255),
  Processor1Name VARCHAR(255),
  Processor1ClockSpeed DOUBLE PRECISION,
  Processor2Name VARCHAR(255),
  Processor2ClockSpeed DOUBLE PRECISION,
  Processor3Name VARCHAR(255),
  Processor3ClockSpeed DOUBLE PRECISION,
  Processor4Name VARCHAR(255),
  Processor4ClockSpeed DOUBLE PRECISION,
  TotalPhysicalMemory INTEGER,
  FreePhysicalMemory INTEGER,
  FreeSpaceInPagingFiles INTEGER,
  FreeVirtualMemory INTEGER,
  CountryCode VARCHAR(255),
  WindowsDirectory VARCHAR(255),
  BIOSManufacturer VARCHAR(255),
  SMBIOSBIOSVersion VARCHAR(255),
  SerialNumber VARCHAR(255),
  LastScan VARCHAR(255),
  UserName VARCHAR(255),
  Reserved1 VARCHAR(255),
  Reserved2 VARCHAR(255),
  IPAddress VARCHAR(255),
  DriveACaption VARCHAR(255),
  DriveASize DOUBLE PRECISION,
  DriveAFreeSpace DOUBLE PRECISION,
  DriveAVolumeName VARCHAR(255),
  DriveAFileSystem VARCHAR(255),
  DriveAVolumeSerialNumber VARCHAR(255),
  DriveBCaption VARCHAR(255),
  DriveBSize DOUBLE PRECISION,
  DriveBFreeSpace DOUBLE PRECISION,
  DriveBVolumeName VARCHAR(255),
  DriveBFileSystem VARCHAR(255),
  DriveBVolumeSerialNumber VARCHAR(255),
  DriveCCaption VARCHAR(255),
  DriveCSize DOUBLE PRECISION,
  DriveCFreeSpace DOUBLE PRECISION,
  DriveCVolumeName VARCHAR(255),
  DriveCFileSystem VARCHAR(255),
  DriveCVolumeSerialNumber VARCHAR(255),
  DriveDCaption VARCHAR(255),
  DriveDSize DOUBLE PRECISION,
  DriveDFreeSpace DOUBLE PRECISION,
  DriveDVolumeName VARCHAR(255),
  DriveDFileSystem VARCHAR(255),
  DriveDVolumeSerialNumber VARCHAR(255),
  DriveECaption VARCHAR(255),
  DriveESize DOUBLE PRECISION,
  DriveEFreeSpace DOUBLE PRECISION,
  DriveEVolumeName VARCHAR(255),
  DriveEFileSystem VARCHAR(255),
  DriveEVolumeSerialNumber VARCHAR(255),
  DriveFCaption VARCHAR(255),
  DriveFSize DOUBLE PRECISION,
  DriveFFreeSpace DOUBLE PRECISION,
  DriveFVolumeName VARCHAR(255),
  DriveFFileSystem VARCHAR(255),
  DriveFVolumeSerialNumber VARCHAR(255),
  DriveGCaption VARCHAR(255),
  DriveGSize DOUBLE PRECISION,
  DriveGFreeSpace DOUBLE PRECISION,
  DriveGVolumeName VARCHAR(255),
  DriveGFileSystem VARCHAR(255),
  DriveGVolumeSerialNumber VARCHAR(255),
  DriveHCaption VARCHAR(255),
  DriveHSize DOUBLE PRECISION,
  DriveHFreeSpace DOUBLE PRECISION,
  DriveHVolumeName VARCHAR(255),
  DriveHFileSystem VARCHAR(255),
  DriveHVolumeSerialNumber VARCHAR(255),
  DriveICaption VARCHAR(255),
  DriveISize DOUBLE PRECISION,
  DriveIFreeSpace DOUBLE PRECISION,
  DriveIVolumeName VARCHAR(255),
  DriveIFileSystem VARCHAR(255),
  DriveIVolumeSerialNumber VARCHAR(255),
  DriveJCaption VARCHAR(255),
  DriveJSize DOUBLE PRECISION,
  DriveJFreeSpace DOUBLE PRECISION,
  DriveJVolumeName VARCHAR(255),
  DriveJFileSystem VARCHAR(255),
  DriveJVolumeSerialNumber VARCHAR(255),
  Reserved3 VARCHAR(255),
  History TEXT
);

CREATE INDEX IF NOT EXISTS IX_Asset_Computer ON Asset (Computer);

CREATE TABLE IF NOT EXISTS Software (
  SoftComputer CITEXT NOT NULL,
  SoftwareList TEXT
);

CREATE INDEX IF NOT EXISTS IX_Software_SoftComputer ON Software (SoftComputer);

CREATE TABLE IF NOT EXISTS Services (
  ServComputer CITEXT NOT NULL,
  ServiceList TEXT
);

CREATE INDEX IF NOT EXISTS IX_Services_ServComputer ON Services (ServComputer);

CREATE TABLE IF NOT EXISTS LastAccess (
  Computer CITEXT NOT NULL,
  LastAccessTime VARCHAR(255)
);

CREATE INDEX IF NOT EXISTS IX_LastAccess_Computer ON LastAccess (Computer);

CREATE TABLE IF NOT EXISTS DriveHistory (
  DiskComputer CITEXT NOT NULL,
  DiskHistory VARCHAR(4000),
  DiskComputerName VARCHAR(255)
);

CREATE INDEX IF NOT EXISTS IX_DriveHistory_DiskComputer ON DriveHistory (DiskComputer);

-- The inventory tables for PostgreSQL (database DrevantaAsset).
-- Column order is binding: the scanner addresses every non-key column by its ordinal.
-- Key columns are citext so that the query texts, sent as they stand, match keys without
-- regard to letter case as SQL Server does under its default collation; each key has an
-- index. Identifiers are unquoted, so the query texts find them whatever their case.
CREATE EXTENSION IF NOT EXISTS citext;

CREATE TABLE IF NOT EXISTS Asset (
  Computer CITEXT NOT NULL,
  Manufacturer TEXT,
  Model TEXT,
  Domain TEXT,
  BootDevice TEXT,
  OSDescription TEXT,
  OSCaption TEXT,
  CSDVersion TEXT,
  OSVersion TEXT,
  Processor1Name TEXT,
  Processor1ClockSpeed DOUBLE PRECISION,
  Processor2Name TEXT,
  Processor2ClockSpeed DOUBLE PRECISION,
  Processor3Name TEXT,
  Processor3ClockSpeed DOUBLE PRECISION,
  Processor4Name TEXT,
  Processor4ClockSpeed DOUBLE PRECISION,
  TotalPhysicalMemory INTEGER,
  FreePhysicalMemory INTEGER,
  FreeSpaceInPagingFiles INTEGER,
  FreeVirtualMemory INTEGER,
  CountryCode TEXT,
  WindowsDirectory TEXT,
  BIOSManufacturer TEXT,
  SMBIOSBIOSVersion TEXT,
  SerialNumber TEXT,
  LastScan TEXT,
  UserName TEXT,
  Reserved1 TEXT,
  Reserved2 TEXT,
  IPAddress TEXT,
  DriveACaption TEXT,
  DriveASize DOUBLE PRECISION,
  DriveAFreeSpace DOUBLE PRECISION,
  DriveAVolumeName TEXT,
  DriveAFileSystem TEXT,
  DriveAVolumeSerialNumber TEXT,
  DriveBCaption TEXT,
  DriveBSize DOUBLE PRECISION,
  DriveBFreeSpace DOUBLE PRECISION,
  DriveBVolumeName TEXT,
  DriveBFileSystem TEXT,
  DriveBVolumeSerialNumber TEXT,
  DriveCCaption TEXT,
  DriveCSize DOUBLE PRECISION,
  DriveCFreeSpace DOUBLE PRECISION,
  DriveCVolumeName TEXT,
  DriveCFileSystem TEXT,
  DriveCVolumeSerialNumber TEXT,
  DriveDCaption TEXT,
  DriveDSize DOUBLE PRECISION,
  DriveDFreeSpace DOUBLE PRECISION,
  DriveDVolumeName TEXT,
  DriveDFileSystem TEXT,
  DriveDVolumeSerialNumber TEXT,
  DriveECaption TEXT,
  DriveESize DOUBLE PRECISION,
  DriveEFreeSpace DOUBLE PRECISION,
  DriveEVolumeName TEXT,
  DriveEFileSystem TEXT,
  DriveEVolumeSerialNumber TEXT,
  DriveFCaption TEXT,
  DriveFSize DOUBLE PRECISION,
  DriveFFreeSpace DOUBLE PRECISION,
  DriveFVolumeName TEXT,
  DriveFFileSystem TEXT,
  DriveFVolumeSerialNumber TEXT,
  DriveGCaption TEXT,
  DriveGSize DOUBLE PRECISION,
  DriveGFreeSpace DOUBLE PRECISION,
  DriveGVolumeName TEXT,
  DriveGFileSystem TEXT,
  DriveGVolumeSerialNumber TEXT,
  DriveHCaption TEXT,
  DriveHSize DOUBLE PRECISION,
  DriveHFreeSpace DOUBLE PRECISION,
  DriveHVolumeName TEXT,
  DriveHFileSystem TEXT,
  DriveHVolumeSerialNumber TEXT,
  DriveICaption TEXT,
  DriveISize DOUBLE PRECISION,
  DriveIFreeSpace DOUBLE PRECISION,
  DriveIVolumeName TEXT,
  DriveIFileSystem TEXT,
  DriveIVolumeSerialNumber TEXT,
  DriveJCaption TEXT,
  DriveJSize DOUBLE PRECISION,
  DriveJFreeSpace DOUBLE PRECISION,
  DriveJVolumeName TEXT,
  DriveJFileSystem TEXT,
  DriveJVolumeSerialNumber TEXT,
  Reserved3 TEXT,
  History TEXT
);

-- Windows gives texts of any length; an inventory made when these columns held 255
-- characters refused longer ones. Widening varchar to text rewrites nothing. A column
-- that a view or trigger of the site's own depends on keeps its width, with a notice:
-- installing the schema goes on.
DO $$
DECLARE
  c record;
BEGIN
  FOR c IN SELECT column_name FROM information_schema.columns
           WHERE table_schema = current_schema() AND table_name = 'asset'
             AND data_type = 'character varying' AND character_maximum_length = 255 LOOP
    BEGIN
      EXECUTE format('ALTER TABLE Asset ALTER COLUMN %I TYPE TEXT', c.column_name);
    EXCEPTION WHEN OTHERS THEN
      RAISE NOTICE 'Asset.% keeps its 255 characters: %', c.column_name, SQLERRM;
    END;
  END LOOP;
END $$;

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

-- The number of items of each list, kept by the server as each list is written: the
-- console's listings show it for every computer, and counting 100,000 lists on each
-- view cost the server more than the rest of the view. Items are counted as the console
-- counts a list it reads (empty items are passed over). Adding the column to an
-- existing inventory rewrites the table once; a server that cannot (before version 12)
-- goes without, with a notice, and the console counts as before.
DO $$
DECLARE
  t record;
BEGIN
  FOR t IN SELECT * FROM (VALUES ('software', 'softwareitems', 'softwarelist'),
                                 ('services', 'serviceitems', 'servicelist')) AS l(tab, items, list)
           WHERE NOT EXISTS (SELECT 1 FROM information_schema.columns
                             WHERE table_schema = current_schema() AND table_name = l.tab
                               AND column_name = l.items) LOOP
    BEGIN
      EXECUTE format('ALTER TABLE %I ADD COLUMN IF NOT EXISTS %I INTEGER GENERATED ALWAYS AS '
                     '(coalesce(array_length(array_remove(string_to_array(%I, ''^''), ''''), 1), 0)) STORED',
                     t.tab, t.items, t.list);
    EXCEPTION WHEN OTHERS THEN
      RAISE NOTICE '%.% is not kept: %', t.tab, t.items, SQLERRM;
    END;
  END LOOP;
END $$;

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

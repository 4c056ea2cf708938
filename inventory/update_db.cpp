#include "inventory/update_db.h"

#include <string>

#include "scan/conversions.h"
#include "scan/error_handling.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/progress.h"
#include "scan/time_text.h"
#include "inventory/asset_columns.h"
#include "inventory/compare_asset.h"
#include "inventory/db_slots.h"
#include "inventory/drive_history.h"
#include "inventory/history.h"
#include "inventory/query_texts.h"
#include "inventory/recordset_ref.h"
#include "inventory/software_reconcile.h"
#include "platform/storable_text.h"

// The last stage of a scan. Up to the two list columns every database operation runs
// ignore-and-continue (each Attempt is one operation: a failure skips it, nothing is
// logged); a call to CompareAsset, UpdateDriveHistory or UpdateSoftware inside one
// Attempt abandons the rest of that call. Only the final writes are trapped and logged.

namespace korvane {

namespace {

Recordset& AssetRS(Korvane& k) { return Opened(k.ctx.RS1); }

// Added to the log line of an Asset row that could not be stored.
constexpr const char* kListsNotStored = " The software and service lists were not stored.";

// A test that fails counts as not passed: its guarded writes are not made.
template <class Test>
bool Passes(Test&& test) {
  bool passed = false;
  Attempt([&] { passed = test(); });
  return passed;
}

void OpenPerComputerSlots(Korvane& k) {
  const std::string& name = k.ctx.ComputerName;
  Attempt([&] { k.ctx.SQL3 = ServicesQuery(name); });
  Attempt([&] { k.ctx.SQL1 = AssetQuery(name); });
  Attempt([&] { k.ctx.SQL2 = SoftwareQuery(name); });
  Attempt([&] { OpenRecordset1(k); });
  Attempt([&] { OpenRecordset3(k); });
  Attempt([&] { OpenRecordset2(k); });
}

// Rows are created with their key alone, through the whole-table queries.
void CreateMissingRows(Korvane& k) {
  ScanContext& c = k.ctx;
  const Variant key(c.ComputerName);
  if (Passes([&] { return Opened(c.RS1).RecordCount() == 0; })) {
    Attempt([&] { c.SQL1 = kAllAssetQuery; });
    Attempt([&] { c.SQL2 = kAllSoftwareQuery; });
    Attempt([&] { c.SQL3 = kAllServicesQuery; });
    Attempt([&] { OpenRecordset1(k); });
    Attempt([&] { OpenRecordset2(k); });
    Attempt([&] { OpenRecordset3(k); });
    Attempt([&] { Opened(c.RS1).AddNew(key); });
    Attempt([&] { Opened(c.RS3).AddNew(key); });
    Attempt([&] { Opened(c.RS2).AddNew(key); });
    k.inv.NewAssetRecord = true;
  }
  if (Passes([&] { return Opened(c.RS2).RecordCount() == 0; })) {
    Attempt([&] { c.SQL2 = kAllSoftwareQuery; });
    Attempt([&] { OpenRecordset2(k); });
    Attempt([&] { Opened(c.RS2).AddNew(key); });
  }
  if (Passes([&] { return Opened(c.RS3).RecordCount() == 0; })) {
    Attempt([&] { c.SQL3 = kAllServicesQuery; });
    Attempt([&] { OpenRecordset3(k); });
    Attempt([&] { Opened(c.RS3).AddNew(key); });
  }
}

// Null and empty text leave the row blank; anything else stored, even 0, does not.
bool StoredRowBlank(Korvane& k) {
  bool blank = true;
  for (int ordinal = asset::kFilledColumns.first; ordinal <= asset::kFilledColumns.last; ++ordinal) {
    Attempt([&] {
      const Variant v = AssetRS(k).Field(ordinal);
      if (v.IsNull()) return;
      if (v.kind() == Variant::Kind::Text && v.text().empty()) return;
      blank = false;
    });
  }
  return blank;
}

void ComputeAssetRowBlank(Korvane& k) { k.inv.AssetRowBlank = StoredRowBlank(k); }

// A blank row without any history is what a first scan ended between adding the row
// and writing its first entry (killed, power lost) leaves; the next scan starts it the
// way that first scan would have.
bool StartsHistory(Korvane& k) {
  if (k.inv.NewAssetRecord) return true;
  return Passes([&] { return AssetRS(k).Field(asset::kHistory).IsNull(); }) && StoredRowBlank(k);
}

// A known computer whose memory suddenly reads as nothing was not really seen by WMI;
// writing that snapshot would blank the row, so the scan ends here.
void CheckMemoryPlausible(Korvane& k) {
  if (Passes([&] {
        return ToDouble(AssetRS(k).Field(asset::kTotalPhysicalMemory)) > 0 &&
               k.snap.TotalPhysicalMemory < 1;
      })) {
    LogError(k, "Problems with WMI", k.ctx.ComputerName + ":" + "WMI details false");
    EndScan(k);
  }
}

// One column written unless an administrator pinned its stored value.
void WriteUnlessPinned(Korvane& k, int ordinal) {
  Attempt([&] {
    Recordset& rs = AssetRS(k);
    if (IsPinned(rs.Field(ordinal))) return;
    rs.Update(ordinal, AssetColumnValue(k, ordinal));
  });
}

void WritePlainColumns(Korvane& k) {
  for (int ordinal = asset::kSystemColumns.first; ordinal <= asset::kSystemColumns.last; ++ordinal) {
    WriteUnlessPinned(k, ordinal);
  }
  WriteUnlessPinned(k, asset::kIPAddress);
  for (int ordinal = asset::kMemoryToSerialColumns.first; ordinal <= asset::kMemoryToSerialColumns.last;
       ++ordinal) {
    WriteUnlessPinned(k, ordinal);
  }
}

void WriteDriveSlots(Korvane& k) {
  for (int slot = 0; slot < kDriveSlots; ++slot) {
    const DriveSlot& drive = k.snap.Drives[static_cast<std::size_t>(slot)];
    const int first = asset::DriveSlot(slot);
    if (drive.Caption.empty()) {
      // A vanished drive is cleared even when pinned: the pin described a drive that is
      // no longer there.
      for (int offset : {asset::kDriveCaption, asset::kDriveSize, asset::kDriveFreeSpace, asset::kDriveVolumeName,
                         asset::kDriveVolumeSerialNumber, asset::kDriveFileSystem}) {
        Attempt([&] { AssetRS(k).Update(first + offset, Variant::Null()); });
      }
      continue;
    }
    if (slot >= asset::kFirstHistoryDriveIndex) {  // A: and B: are floppies: no free-space history
      Attempt([&] { UpdateDriveHistory(k, drive.Caption, drive.FreeSpace); });
    }
    if (Passes([&] { return !IsPinned(AssetRS(k).Field(first + asset::kDriveCaption)); })) {
      for (int offset = 0; offset < asset::kDriveSlotWidth; ++offset) {
        Attempt([&] { AssetRS(k).Update(first + offset, AssetColumnValue(k, first + offset)); });
      }
    }
  }
}

void WriteScanStamp(Korvane& k) {
  Attempt([&] { AssetRS(k).Update(asset::kLastScan, Variant(NowText(k))); });
  Attempt([&] { AssetRS(k).Update(asset::kUserName, Variant(k.snap.UserName)); });
}

// The stored list is compared before it is replaced. A Null list (a row created by this
// scan) cannot be read as text, so a first scan records no software changes.
void ReconcileSoftware(Korvane& k) {
  Attempt([&] {
    // In the collected list's form: a NUL another writer stored is no change of program.
    const std::string stored = StorableText(ToText(Opened(k.ctx.RS2).Field(software::kSoftwareList)));
    UpdateSoftware(k, stored, k.snap.SoftwareList);
  });
}

// The software entries of this scan went into the Asset row; a list stored when they
// were not would contradict the history (the next scan would report changes that were
// never recorded as made). So the Asset recordset is closed first, which fails when a
// change of it could not be stored, and then neither list is written.
void WriteListsTrapped(Korvane& k) {
  std::string notStored;
  try {
    notStored = kListsNotStored;
    Opened(k.ctx.RS1).Close();
    notStored.clear();
    Opened(k.ctx.RS2).Update(software::kSoftwareList, Variant(k.snap.SoftwareList));
    Opened(k.ctx.RS3).Update(services::kServiceList, Variant(k.snap.ServiceList));
    if (k.ctx.Conn1) k.ctx.Conn1->CommitTrans();
  } catch (const RuntimeError& e) {
    // What was stored is consistent (a value changed only with its entry, the list only
    // with the row's), so it is kept.
    Attempt([&] {
      if (k.ctx.Conn1) k.ctx.Conn1->CommitTrans();
    });
    LogError(k, "Error updating database", k.ctx.ComputerName + ":" + e.description() + notStored);
    Progress(k, progress::kComplete);
    k.ctx.RS1.reset();
    k.ctx.Conn1.reset();
  }
}

// The snapshot as the database will hold it (no NUL, only UTF-8), so that what is
// compared is what is stored, and a rescan of an unchanged computer finds no change.
void MakeSnapshotStorable(MachineSnapshot& s) {
  for (std::string* text :
       {&s.Manufacturer, &s.Model, &s.Domain, &s.BootDevice, &s.OSDescription, &s.OSCaption,
        &s.CSDVersion, &s.OSVersion, &s.CountryCode, &s.WindowsDirectory, &s.BIOSManufacturer,
        &s.SMBIOSBIOSVersion, &s.SerialNumber, &s.UserName, &s.SoftwareList, &s.ServiceList}) {
    *text = StorableText(*text);
  }
  for (ProcessorSlot& p : s.Processors) p.Name = StorableText(p.Name);
  for (DriveSlot& d : s.Drives) {
    for (std::string* text : {&d.Caption, &d.VolumeName, &d.FileSystem, &d.VolumeSerialNumber}) {
      *text = StorableText(*text);
    }
  }
}

}  // namespace

void UpdateDB(Korvane& k) {
  ScanContext& c = k.ctx;
  MakeSnapshotStorable(k.snap);
  Attempt([&] { c.SQL1 = AssetQuery(c.ComputerName); });
  Attempt([&] { c.SQL2 = SoftwareQuery(c.ComputerName); });
  Attempt([&] { c.SQL3 = ServicesQuery(c.ComputerName); });
  Attempt([&] { OpenRecordset1(k); });
  Attempt([&] { OpenRecordset2(k); });
  Attempt([&] { OpenRecordset3(k); });

  CreateMissingRows(k);
  OpenPerComputerSlots(k);

  if (StartsHistory(k)) {
    Attempt([&] {
      AssetRS(k).Update(asset::kHistory, Variant(HistoryEntry(NowText(k), std::string(history_text::kCreated))));
    });
  }

  if (c.UserOnly) {
    WriteScanStamp(k);
    return;
  }

  ComputeAssetRowBlank(k);
  CheckMemoryPlausible(k);
  // The history entries, the values they record and the lists become visible to other
  // scans of the computer together: a scan that read the rows meanwhile never sees
  // entries without their values or list, and finds its own changes refused.
  Attempt([&] { Opened(c.Conn1).BeginTrans(); });
  Attempt([&] { CompareAsset(k); });
  WritePlainColumns(k);
  WriteDriveSlots(k);
  WriteScanStamp(k);
  ReconcileSoftware(k);
  WriteListsTrapped(k);
}

}  // namespace korvane

// The pure rules of the free-space history: the last entry's day (damaged dates count as
// not today) and the bound by the column's defined size.
#include <gtest/gtest.h>

#include "scan/conversions.h"
#include "inventory/drive_history.h"

namespace korvane {
namespace {

TEST(DriveHistoryText, LastEntryDayReadsTheDateAfterTheLastCaret) {
  EXPECT_EQ(LastEntryDay("^2003/02/14,1234^2003/02/15,1100"), "20030215");
  EXPECT_EQ(LastEntryDay("^2003/2/5,7"), "20030205");
  EXPECT_EQ(LastEntryDay("^2004/02/29,1"), "20040229");
  // Damaged dates cannot be read.
  EXPECT_EQ(LastEntryDay("^2003/02/14,1234^20x3/02/15,1100"), std::nullopt);
  EXPECT_EQ(LastEntryDay("^2003/02/30,1"), std::nullopt);
  EXPECT_EQ(LastEntryDay("^2003/13/01,1"), std::nullopt);
  EXPECT_EQ(LastEntryDay("^2003/02/14 junk,1"), std::nullopt);
  EXPECT_EQ(LastEntryDay("^,1"), std::nullopt);
  // Without a comma nothing is cut off before the date is looked for.
  EXPECT_EQ(LastEntryDay("^2003/02/14"), "20030214");
  // Another locale's date separator: the same day, whoever wrote it.
  EXPECT_EQ(LastEntryDay("^2003/02/14,1234^2003.02.15,1100"), "20030215");
  EXPECT_EQ(LastEntryDay("^2003-02-15,1100"), "20030215");
  EXPECT_EQ(LastEntryDay("^2003/02.15,1100"), std::nullopt);  // two different separators
  EXPECT_EQ(LastEntryDay("^20030215,1100"), std::nullopt);    // none at all
}

TEST(DriveHistoryText, OldestEntriesGoWhileTheTextWouldReachTheDefinedSize) {
  const std::string two = "^2003/02/14,1234^2003/02/15,1100";
  const std::string next = DiskHistoryEntry("2003/02/16", 1050);
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 49), two);  // 32 + 16 < 49: fits
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 48), "^2003/02/15,1100");  // 48 reaches 48
  // Too small for the newest stored entry beside the new one: both stored ones go.
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 30), "");
  EXPECT_EQ(DropOldestDiskEntries(two, next.size(), 5), "");
  EXPECT_EQ(DropOldestDiskEntries("", next.size(), 5), "");
  // Characters, not bytes.
  const std::string wide = "^2003/02/14,1\xC3\xA9^2003/02/15,1";  // 27 characters, 28 bytes
  EXPECT_EQ(DropOldestDiskEntries(wide, 16, 44), wide);
}

}  // namespace
}  // namespace korvane

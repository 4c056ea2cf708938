// The stored DiskHistory text: the date of its last entry, the removal of old entries
// to keep it under the column's size, and the console's reading of it into points.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/conversions.h"
#include "scan/time_text.h"
#include "formats/drive_history_text.h"
#include "fuzz/fuzz_check.h"
#include "inventory/drive_history.h"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto definedSize = input.ConsumeIntegralInRange<int32_t>(-2, 300);
  const auto newEntryChars = input.ConsumeIntegralInRange<std::size_t>(0, 40);
  const std::string stored = input.ConsumeRemainingBytesAsString();

  if (const auto day = LastEntryDay(stored)) {
    FUZZ_CHECK(day->size() == 8);
    for (char c : *day) FUZZ_CHECK(c >= '0' && c <= '9');
  }

  const std::string kept = DropOldestDiskEntries(stored, newEntryChars, definedSize);
  // Only whole entries go, from the front, until the text and the new entry fit.
  FUZZ_CHECK(kept.size() <= stored.size());
  FUZZ_CHECK(stored.compare(stored.size() - kept.size(), kept.size(), kept) == 0);
  if (!kept.empty()) {
    FUZZ_CHECK(kept == stored || kept.front() == '^');
    FUZZ_CHECK(kept == stored || CharCount(kept) + newEntryChars < static_cast<std::size_t>(definedSize));
  }

  const auto points = ParseDiskHistory(stored);
  for (const auto& point : points) {
    FUZZ_CHECK(point.date.find('^') == std::string::npos);
    if (point.valid) {
      const auto date = ReadDateText(point.date);
      FUZZ_CHECK(date && DayNumber(DateText(*date)) == point.day);
    }
  }
  if (const auto trend = FreeSpaceTrend(points)) FUZZ_CHECK(trend == trend);  // not NaN
  return 0;
}

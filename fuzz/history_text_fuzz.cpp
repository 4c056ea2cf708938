// The stored History text: the cut to the length limit that every field entry makes,
// and the console's reading of it into entries.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/conversions.h"
#include "formats/history_text.h"
#include "fuzz/fuzz_check.h"
#include "inventory/history.h"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::size_t limit = input.ConsumeIntegralInRange<std::size_t>(0, 200);
  // The text the cut sees always ends in the entry just appended, so in "^".
  const std::string stored = input.ConsumeRemainingBytesAsString() + "^";

  std::string cut = stored;
  CutHistory(cut, limit);
  // The cut removes whole entries from the front, exactly as removing the oldest entry
  // while the text is too long does.
  std::string oneByOne = stored;
  while (CharCount(oneByOne) > limit) TrimHistory(oneByOne);
  FUZZ_CHECK(cut == oneByOne);
  FUZZ_CHECK(CharCount(cut) <= limit);
  FUZZ_CHECK(stored.compare(stored.size() - cut.size(), cut.size(), cut) == 0);

  // The console's reader keeps every character of the entries it reads: a piece without
  // a time continues the entry before it, so no text is lost or invented.
  std::size_t chars = 0;
  for (const auto& entry : ParseHistory(stored)) {
    if (!entry.time.empty()) FUZZ_CHECK(stored.find(entry.time + "~") != std::string::npos);
    chars += entry.time.size() + entry.text.size();
  }
  FUZZ_CHECK(chars <= stored.size());
  return 0;
}

// The stored History text: the cut to the length limit that every field entry makes,
// and the console's reading of it into entries.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/conversions.h"
#include "console/inventory_text.h"
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

  // Every non-empty piece between the carets is one entry, its time before the first "~".
  std::size_t pieces = 0;
  std::size_t chars = 0;
  for (const auto& entry : console::SplitHistory(stored)) {
    ++pieces;
    FUZZ_CHECK(entry.time.find('^') == std::string::npos && entry.text.find('^') == std::string::npos);
    FUZZ_CHECK(entry.time.find('~') == std::string::npos);
    chars += entry.time.size() + entry.text.size();
  }
  std::size_t carets = 0;
  for (char c : stored) carets += c == '^';
  FUZZ_CHECK(pieces <= carets);
  FUZZ_CHECK(chars <= stored.size());
  return 0;
}

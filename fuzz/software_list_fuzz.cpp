// The stored software list "name§version§location§id^...": loaded for the comparison
// with the collected list, and read by the console. The comparison, which looks names up
// in hash maps, must give exactly the entries of the plain nested scan by name.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/software_list_text.h"
#include "fuzz/fuzz_check.h"
#include "inventory/software_reconcile.h"
#include "platform/runtime_error.h"

using namespace korvane;

namespace {

std::vector<std::string> Changes(const SoftwareTable& stored, const SoftwareTable& collected) {
  std::vector<std::string> changes;
  try {
    CompareSoftwareLists(stored, collected, [&](const std::string& text) { changes.push_back(text); });
  } catch (const RuntimeError&) {
    // A list longer than the counters hold ends the comparison: nothing recorded.
    FUZZ_CHECK(changes.empty());
  }
  return changes;
}

// The nested scan in both directions, the first match by exact name winning.
std::vector<std::string> NestedScan(const SoftwareTable& stored, const SoftwareTable& collected) {
  std::vector<std::string> changes;
  for (const auto& old : stored) {
    const SoftwareEntry* match = nullptr;
    for (const auto& now : collected) {
      if (now.Program == old.Program) {
        match = &now;
        break;
      }
    }
    if (match == nullptr) {
      changes.push_back("Software removed : " + old.Program);
      continue;
    }
    const std::string& p = old.Program;
    if (old.Version != match->Version)
      changes.push_back(p + " Version changed from " + old.Version + " To " + match->Version);
    if (old.Location != match->Location)
      changes.push_back(p + " Location changed from " + old.Location + " To " + match->Location);
    if (old.ProductID != match->ProductID)
      changes.push_back(p + " Product ID changed from " + old.ProductID + " To " + match->ProductID);
  }
  for (const auto& now : collected) {
    bool known = false;
    for (const auto& old : stored) known = known || old.Program == now.Program;
    if (!known) changes.push_back("New Software installed : " + now.Program);
  }
  return changes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string storedText = input.ConsumeRandomLengthString(size);
  const std::string collectedText = input.ConsumeRemainingBytesAsString();

  SoftwareTable stored;
  SoftwareTable collected;
  LoadSoftwareList(storedText, stored);
  LoadSoftwareList(collectedText, collected);
  for (const auto& entry : stored) FUZZ_CHECK(!entry.Program.empty());

  FUZZ_CHECK(Changes(stored, collected) == NestedScan(stored, collected));
  FUZZ_CHECK(Changes(stored, stored) == NestedScan(stored, stored));

  for (const auto& item : ParseSoftwareList(storedText)) {
    FUZZ_CHECK(item.Program.find('^') == std::string::npos);
  }
  return 0;
}

// The software comparison at inventory scale: two lists of 5,000 programs loaded and
// compared, for lists that barely differ (the usual scan) and lists with nothing in
// common (a reinstalled computer), against the plain nested scan by name that produces
// the same entries in the same order.
//
//   bench_reconcile_software_compare [PROGRAMS]     (default: 5000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "inventory/software_reconcile.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kSection = "\xC2\xA7";

std::string ListText(int programs, const std::string& prefix, int changedEvery) {
  std::string text;
  for (int i = 0; i < programs; ++i) {
    if (i > 0) text += '^';
    const bool changed = changedEvery > 0 && i % changedEvery == 0;
    text += prefix + "Program " + std::to_string((i * 7919) % programs) + kSection +
            (changed ? "2.0" : "1.0") + kSection + "C:\\Program Files\\P" + std::to_string(i) +
            kSection + "ID-" + std::to_string(i);
  }
  return text;
}

std::size_t NestedScan(const korvane::SoftwareTable& stored, const korvane::SoftwareTable& collected) {
  std::size_t entries = 0;
  for (const auto& s : stored) {
    const korvane::SoftwareEntry* match = nullptr;
    for (const auto& c : collected) {
      if (c.Program == s.Program) { match = &c; break; }
    }
    if (!match) { ++entries; continue; }
    entries += (s.Version != match->Version) + (s.Location != match->Location) +
               (s.ProductID != match->ProductID);
  }
  for (const auto& c : collected) {
    bool known = false;
    for (const auto& s : stored) {
      if (s.Program == c.Program) { known = true; break; }
    }
    entries += !known;
  }
  return entries;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Run(const char* title, const std::string& storedText, const std::string& collectedText) {
  constexpr int kRepeats = 20;
  double loadBest = 1e9, compareBest = 1e9;
  std::size_t entries = 0;
  korvane::SoftwareTable stored, collected;
  for (int r = 0; r < kRepeats; ++r) {
    korvane::SoftwareTable s, c;
    const auto t0 = Clock::now();
    korvane::LoadSoftwareList(storedText, s);
    korvane::LoadSoftwareList(collectedText, c);
    const auto t1 = Clock::now();
    std::size_t n = 0;
    korvane::CompareSoftwareLists(s, c, [&n](const std::string&) { ++n; });
    const auto t2 = Clock::now();
    loadBest = std::min(loadBest, Ms(t1 - t0));
    compareBest = std::min(compareBest, Ms(t2 - t1));
    entries = n;
    stored = std::move(s);
    collected = std::move(c);
  }
  const auto t0 = Clock::now();
  const std::size_t nestedEntries = NestedScan(stored, collected);
  const double nested = Ms(Clock::now() - t0);
  std::printf("%-34s %6zu x %-6zu load %7.2f ms  compare %7.2f ms  entries %6zu | nested scan %8.1f ms (%zu entries)\n",
              title, stored.size(), collected.size(), loadBest, compareBest, entries, nested,
              nestedEntries);
}

}  // namespace

int main(int argc, char** argv) {
  const int programs = argc > 1 ? std::atoi(argv[1]) : 5000;
  const std::string stored = ListText(programs, "", 0);
  Run("one program in 50 updated", stored, ListText(programs, "", 50));
  Run("identical names, all updated", stored, ListText(programs, "", 1));
  Run("nothing in common", stored, ListText(programs, "Other ", 0));
  return 0;
}

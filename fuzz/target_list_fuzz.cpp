// A target list file given to the console as @FILE: one name a line, "#" starts a
// comment. Every name read is non-empty, trimmed, free of comments and line breaks, and
// the expanded target list names each computer once.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "console/scan/targets.h"
#include "fuzz/fuzz_check.h"

namespace {

// Never destroyed, so that the clean-up at exit can still read it.
const std::string& ListPath() {
  static const std::string* path = [] {
    auto* pattern = new std::string(
        (std::filesystem::temp_directory_path() / "korvane-fuzz-targets-XXXXXX").string());
    FUZZ_CHECK(mkstemp(pattern->data()) >= 0);
    return pattern;
  }();
  static const bool cleanUp = [] { return std::atexit([] { std::filesystem::remove(ListPath()); }) == 0; }();
  (void)cleanUp;
  return *path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  {
    std::ofstream file(ListPath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  using korvane::console::ReadTargetFile;
  for (const auto& name : ReadTargetFile(ListPath())) {
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.find('#') == std::string::npos && name.find('\n') == std::string::npos);
    FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(name.front())));
    FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(name.back())));
  }
  try {
    const auto targets = korvane::console::ExpandTargets({"@" + ListPath()}, "");
    std::set<std::string> folded;
    for (const auto& name : targets) {
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      FUZZ_CHECK(folded.insert(lower).second);
      FUZZ_CHECK(name.find(',') == std::string::npos);
    }
  } catch (const korvane::console::UsageError&) {
  }
  return 0;
}

// One lab computer file, read the way a scanner reads it: the lab is opened on a
// directory holding that file and a name is resolved. A file is either a computer or
// rejected with exactly one diagnostic line; it never takes the reader down.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/fuzz_check.h"
#include "lab/simulator/lab.h"

namespace {

// Never destroyed, so that the clean-up at exit can still read it.
const std::filesystem::path& LabDirectory() {
  static const std::filesystem::path* directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-fuzz-lab-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    return new std::filesystem::path(pattern);
  }();
  static const bool cleanUp = [] {
    return std::atexit([] { std::filesystem::remove_all(LabDirectory()); }) == 0;
  }();
  (void)cleanUp;
  return *directory;
}

std::size_t Lines(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  {
    std::ofstream file(LabDirectory() / "PC01.json", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::ostringstream diagnostics;
  auto lab = korvane::OpenLab(LabDirectory().string(), diagnostics);
  const auto byFileName = lab->Echo().Resolve("pc01");
  // A name that is no file name makes the lab read every file, aliases and WMI names
  // included.
  const auto byOtherName = lab->Echo().Resolve("KORVANE-FUZZ-OTHER");
  const std::string problems = diagnostics.str();
  FUZZ_CHECK(Lines(problems) <= 1);
  FUZZ_CHECK(byFileName.has_value() == problems.empty());
  if (byOtherName) FUZZ_CHECK(byFileName.has_value());
  return 0;
}

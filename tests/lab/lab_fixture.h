// A lab directory made for one test, opened through the same entry point the scanner
// uses, with its diagnostics kept for inspection.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "lab/simulator/lab.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {

class LabTest : public ::testing::Test {
 protected:
  // Writes <name>.json. Must come before the first Lab() call that should see it only
  // when the file is to be found by its name; others are read lazily anyway.
  void Computer(const std::string& name, const std::string& json) {
    WriteFile(dir_ / (name + ".json"), json);
  }

  TargetNetwork& Lab() {
    if (!lab_) lab_ = OpenLab(dir_.str(), diagnostics_);
    return *lab_;
  }

  std::string Diagnostics() const { return diagnostics_.str(); }

  TempDir dir_;
  std::ostringstream diagnostics_;
  std::unique_ptr<TargetNetwork> lab_;
};

}  // namespace korvane::test

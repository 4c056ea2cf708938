// The lab computer the fault tests scan, and the checks they make of an inventory after
// a fault: no row twice, and a clean rescan stores the whole computer.
#pragma once

#include <string>

#include "tests/support/inventory_fixture.h"
#include "tests/support/run_scanner.h"
#include "tests/support/temp_dir.h"

namespace korvane::test {

inline constexpr int kFaultPrograms = 60;
inline const char* const kFaultDrives[] = {"C", "D", "E"};

// A computer that answers everything, with kFaultPrograms programs at version
// "1.<version>" and three drives, so that a rescan after a change of version has a long
// software comparison to make.
std::string FaultComputer(const std::string& name, int version, int programs = kFaultPrograms);

// No table holds the computer (or one of its drives) twice.
void ExpectNoDuplicateRows(const Inventory& inventory, const std::string& name);

// Every row of the computer is there once and holds what the lab says at `version`,
// each drive with one free-space entry.
void ExpectComplete(const Inventory& inventory, const std::string& name, int version,
                    int programs = kFaultPrograms);

ScanResult ScanOnce(const std::string& name, const std::string& dataSource, const TempDir& lab,
                    const TempDir& temp,
                    std::function<void(pid_t, const std::string&)> onProgress = {});

}  // namespace korvane::test

// The six target services of the lab, each answering from the computers of one
// LabDirectory, which must outlive them and everything they hand out (handles, keys,
// WMI objects).
#pragma once

#include <cstdint>
#include <memory>

#include "lab/simulator/lab_directory.h"
#include "platform/target.h"

namespace korvane::lab {

std::unique_ptr<EchoService> MakeLabEcho(LabDirectory& directory);
std::unique_ptr<WmiApi> MakeLabWmi(LabDirectory& directory);
std::unique_ptr<RemoteRegistry> MakeLabRegistry(LabDirectory& directory);
std::unique_ptr<ServiceControlManager> MakeLabServiceManager(LabDirectory& directory);
std::unique_ptr<WorkstationService> MakeLabWorkstation(LabDirectory& directory);
std::unique_ptr<DiskShares> MakeLabShares(LabDirectory& directory);

// The configured answer time of a call kind: the call blocks this long first.
void SimulateLatency(uint32_t milliseconds);

}  // namespace korvane::lab

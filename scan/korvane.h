// The scanner's per-process state in one object, owned by the running scan. In
// production exactly one exists (main creates it); tests may create several in one
// process. Every stage procedure takes it as its only state.
//
// Who writes what:
//   ctx      start-up (command line fields), the driver (PingOK), the echo probe
//            (PingOK, IPAddress), the WMI collector (ComputerName), the terminal handling
//            (ErrorText), the reconciliation (database slots).
//   snap     the collectors; read by the reconciliation.
//   List1/2  the software collector.  ListView1/2  the software reconciliation.
//   wmi      the WMI collector.       inv      the reconciliation stages.
#pragma once

#include <memory>
#include <string>

#include "scan/scan_context.h"
#include "scan/scratch_lists.h"
#include "scan/machine_snapshot.h"
#include "platform/connection_pool.h"
#include "platform/platform.h"

namespace korvane {

// WMI objects of the collector, created at each call of GetWMI and kept to the end.
struct WmiState {
  std::unique_ptr<korvane::WmiLocator> WmiLocator;
  std::unique_ptr<korvane::WmiSink> WmiSink;
  std::unique_ptr<korvane::WmiServices> WmiServices;
};

// Working state of the reconciliation stages.
struct InventoryState {
  bool NewAssetRecord = false;
  bool AssetRowBlank = false;
  std::string HistoryText;
  // Drive history: its own connection object and recordset, replaced for every drive.
  std::unique_ptr<Connection> DriveConn;
  std::unique_ptr<Recordset> DriveRS;
};

struct Korvane {
  explicit Korvane(Platform p) : platform(p) {}
  Korvane(const Korvane&) = delete;
  Korvane& operator=(const Korvane&) = delete;

  Platform platform;
  // Every stage connects to the inventory through the pool: one connection per scan.
  // Declared before the stages' connections, so it outlives them.
  ConnectionPool connections;
  ScanContext ctx;
  MachineSnapshot snap;
  TextList List1;
  TextList List2;
  SoftwareTable ListView1;
  SoftwareTable ListView2;
  WmiState wmi;
  InventoryState inv;
};

}  // namespace korvane

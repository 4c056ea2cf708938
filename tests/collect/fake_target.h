// A small in-memory target computer for running the collectors inside the test process:
// WMI classes, registry keys, services, logons and shares, answering with the statuses,
// types and errors the Windows calls use. Only what the collector tests need.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/error_log.h"
#include "app/korvane.h"
#include "platform/runtime_error.h"
#include "platform/target.h"
#include "tests/support/doubles.h"

namespace korvane::test {

using WmiInstance = std::vector<std::pair<std::string, Variant>>;

struct RegValue {
  uint32_t type;
  std::string data;  // raw bytes with the stored terminators
};
RegValue Sz(const std::string& text);
RegValue ExpandSz(const std::string& text);
RegValue MultiSz(const std::vector<std::string>& texts);
RegValue Dword(uint32_t value);

struct Logon {
  std::string user;
  std::string domain;
};

class FakeTarget : public TargetNetwork {
 public:
  FakeTarget();
  ~FakeTarget() override;
  EchoService& Echo() override;
  WmiApi& Wmi() override;
  RemoteRegistry& Registry() override;
  ServiceControlManager& Services() override;
  WorkstationService& Workstation() override;
  DiskShares& Shares() override;

  // WMI: refused with this text when set.
  std::optional<std::string> wmiConnectError;
  std::map<std::string, std::vector<WmiInstance>> wmiClasses;  // by class name
  std::map<std::string, RuntimeError> wmiQueryErrors;
  std::vector<std::string> wmiQueries;
  int wmiNotifications = 0;

  // Registry: 0 connects; a key path (root spelled out) with its values, in file order.
  int32_t registryConnectStatus = 0;
  bool registryReadOnly = false;
  std::vector<std::pair<std::string, std::map<std::string, RegValue>>> keys;
  void SetValue(const std::string& keyPath, const std::string& name, RegValue value);
  void AddKey(const std::string& keyPath);

  // Service control manager.
  bool managerOpens = true;
  uint32_t probeLastError = 234;
  bool listGrows = false;
  std::vector<ServiceStatusEntry> services;

  // Workstation service.
  uint32_t logonStatus = 0;
  std::vector<Logon> logons;
  uint32_t perCall = 2;
  std::vector<Logon> addedAfterFirstCall;
  int logonCalls = 0;

  // Administrative shares by path (\\PC\C$), matched without regard to case.
  std::map<std::string, std::pair<uint64_t, uint64_t>> shares;  // total, free

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A Korvane over in-process doubles and a fake target, scanning "PC01".
struct CollectScan {
  TestProcess process;
  RecordingConsole console;
  FixedClock clock;
  FakeTarget target;
  Korvane k{Platform{&process, &console, &clock, nullptr, &target}};

  CollectScan() {
    k.ctx.ComputerName = "PC01";
    k.ctx.ConsoleListBox = 7;
    k.ctx.TempDir = "C:\\Temp";
  }
  // Runs a stage; true when it ended the process.
  template <class Stage>
  bool Run(Stage&& stage) {
    try {
      stage(k);
      return false;
    } catch (ProcessEndedForTest) {
      return true;
    }
  }
  // Log lines without their time field.
  std::vector<std::string> Log();
  std::vector<std::string> Progress() { return console.Delivered(); }
};

}  // namespace korvane::test

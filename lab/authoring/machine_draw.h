// What the generator draws for one computer before it becomes a lab computer: the
// catalogue entries and figures chosen, in the generator's own terms. Only the
// generator uses it; everything else sees the LabComputer made from it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "lab/authoring/lab_catalogue.h"
#include "lab/authoring/lab_generate.h"

namespace korvane::lab::authoring {

struct DriveDraw {
  std::string caption;  // "C:"
  int driveType = 3;    // 2 removable, 3 fixed, 4 network, 5 CD
  bool hasMedia = true;
  std::string volumeName, fileSystem, serial;
  uint64_t size = 0, free = 0;  // bytes
};

struct ServiceDraw {
  std::string name, display, type, state;
};

struct MachineDraw {
  std::string name;           // file name and WMI name
  std::string address;
  std::string domain;         // DNS domain, or "WORKGROUP"
  std::string netbiosDomain;  // logon domain
  // How it answers.
  bool echo = true;
  std::string wmi = "ok";        // "ok", "absent" (RPC unavailable), or the refusal text
  std::string registry = "full"; // full, read, none
  std::string serviceManager = "ok";
  int logonStatus = 0;
  // What it is.
  const OsSpec* os = nullptr;
  std::string servicePack;
  std::string manufacturer, model, biosManufacturer, biosVersion, serial;
  std::string countryCode;
  uint64_t memoryBytes = 0;
  std::vector<std::pair<std::string, int>> cpus;  // name, MHz
  std::vector<DriveDraw> drives;
  std::vector<LabProgram> programs;
  bool sixtyFourBit = false;                // has the 32-bit view (Wow6432Node)
  std::vector<LabProgram> programs32;       // in the 32-bit view
  std::vector<ServiceDraw> services;
  std::vector<std::pair<std::string, std::string>> logons;         // user, domain
  std::string consoleUser;  // DOMAIN\user of the interactive session, empty for none
  int64_t installDate = 0;
};

// The lab computer of a drawn machine.
LabComputer ToLabComputer(const MachineDraw& draw, const Latency& latency);

}  // namespace korvane::lab::authoring

// The bundle of platform interfaces handed to a scan. The core reaches the operating
// system, the database and the target computer only through these.
#pragma once

#include <memory>

#include "platform/clock.h"
#include "platform/console_channel.h"
#include "platform/database.h"
#include "platform/locale_formats.h"
#include "platform/process.h"
#include "platform/target.h"

namespace korvane {

struct Platform {
  ProcessServices* process = nullptr;
  ConsoleChannel* console = nullptr;
  Clock* clock = nullptr;
  DatabaseServer* database = nullptr;
  TargetNetwork* targets = nullptr;
  LocaleFormats* locale = nullptr;  // null: the fixed formats (no user locale)
};

// The running system's own services, built for the platform the program is compiled
// for (posix/ or win32/): its process services, console channel, clock, database layer
// and its real target network.
class SystemPlatform {
 public:
  virtual ~SystemPlatform() = default;
  virtual Platform Get() = 0;
};

std::unique_ptr<SystemPlatform> MakeSystemPlatform(int argc, char** argv);

}  // namespace korvane

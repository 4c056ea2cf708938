#include "platform/db/database_server.h"
#include "platform/pinned_clock.h"
#include "platform/platform.h"
#include "platform/posix/fd_console.h"
#include "platform/posix/local_clock.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_targets.h"

namespace korvane {

namespace {

class PosixPlatform : public SystemPlatform {
 public:
  PosixPlatform(int argc, char** argv)
      : process_(argc, argv), database_(MakeDatabaseServer()), targets_(MakePosixTargets()) {}

  Platform Get() override {
    return Platform{&process_, &console_, clock_.get(), database_.get(), targets_.get()};
  }

 private:
  // First, so that it notes the inherited descriptors before anything else opens one.
  FdConsoleChannel console_;
  PosixProcess process_;
  std::unique_ptr<Clock> clock_ = PinnedOr(std::make_unique<LocalClock>());
  std::unique_ptr<DatabaseServer> database_;
  std::unique_ptr<TargetNetwork> targets_;
};

}  // namespace

std::unique_ptr<SystemPlatform> MakeSystemPlatform(int argc, char** argv) {
  return std::make_unique<PosixPlatform>(argc, argv);
}

}  // namespace korvane

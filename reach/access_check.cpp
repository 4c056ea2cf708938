#include "reach/access_check.h"

#include <string>

#include "scan/error_handling.h"
#include "scan/error_log.h"
#include "scan/korvane.h"
#include "collect/remote_registry.h"
#include "platform/target.h"

namespace korvane {

void CheckAccess(Korvane& k) {
  // Every Windows computer has this value; reading it proves that the account may read
  // the registry over the network. The reader needs write access to the key as well.
  const std::string value =
      ReadRemoteValue(k, k.ctx.ComputerName, kHkeyLocalMachine,
                      "Software\\Microsoft\\Windows NT\\CurrentVersion", "currentversion");
  if (!value.empty()) return;
  LogError(k, "Insufficient access or error accessing PC ", k.ctx.ComputerName + ":");
  EndScan(k);
}

}  // namespace korvane

// `korvane-console init-db SOURCE`: the tables the scanners expect, created once.
#include <ostream>

#include "console/commands.h"
#include "console/targets.h"
#include "platform/db/schema_install.h"

namespace korvane::console {

int RunInitDb(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    throw UsageError("init-db needs exactly one SOURCE");
  }
  InstallSchema(args[0]);
  out << "Inventory tables ready in " << args[0] << "\n";
  return 0;
}

}  // namespace korvane::console

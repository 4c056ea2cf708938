// `korvane-console init-db SOURCE`: the tables the scanners expect, created once.
#include <filesystem>
#include <ostream>

#include "console/commands.h"
#include "platform/db/schema_install.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

// A bare word is taken for a data source or a server; someone who meant a new directory
// here needs to hear how to say so.
bool LooksLikeBareWord(const std::string& source) {
  return source.find('/') == std::string::npos && source.find('\\') == std::string::npos &&
         !std::filesystem::is_directory(source);
}

}  // namespace

int RunInitDb(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    throw UsageError("init-db needs exactly one SOURCE");
  }
  try {
    InstallSchema(args[0]);
  } catch (const RuntimeError& e) {
    if (!LooksLikeBareWord(args[0])) throw;
    throw RuntimeError(e.number(), e.description() + "\n'" + args[0] +
                                       "' was taken for an ODBC data source or a SQL Server host, as it is "
                                       "neither a directory nor a path; a path such as ./" + args[0] +
                                       " creates an SQLite inventory there");
  }
  out << "Inventory tables ready in " << args[0] << "\n";
  return 0;
}

}  // namespace korvane::console

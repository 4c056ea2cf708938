#include "console/commands.h"

#include <exception>

#include "console/scan_command.h"
#include "console/targets.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

constexpr const char* kUsage =
    "usage: korvane-console COMMAND ...\n"
    "  init-db SOURCE\n"
    "      create the inventory tables (SOURCE: a directory for SQLite, an ODBC DSN or a\n"
    "      SQL Server host: what the scanners get as their server)\n"
    "  scan --db SOURCE [--jobs N] [--user-only] [--timeout SECONDS] [--lab DIR] TARGETS...\n"
    "      scan computers, one korvane process each; TARGETS are names, @FILE lists, or\n"
    "      'all' (every computer of --lab DIR; also the default with --lab and no targets);\n"
    "      --scanner PROGRAM runs another scanner than the korvane next to the console\n"
    "  show --db SOURCE [COMPUTER]\n"
    "      the inventory, or one computer's values, history, drive space and software\n"
    "  lab-create DIR --computers N [--seed S] [--latency KIND=MS,...]\n"
    "      generate a simulated network of N computers\n"
    "  lab-advance DIR --days D [--seed S]\n"
    "      let D days pass in a simulated network\n"
    "  demo DIR [--computers N]\n"
    "      the main job in one command: a simulated network of N (50) computers scanned\n"
    "      into a new SQLite inventory in DIR on three pinned days, then shown\n"
    "Exit status: 0 success; 1 a scan timed out or died, or a command failed; 2 usage.\n";

}  // namespace

int ConsoleMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "init-db") return RunInitDb(rest, out, err);
    if (command == "scan") return RunScanCommand(rest, out, err);
    if (command == "show") return RunShowCommand(rest, out, err);
    if (command == "lab-create") return RunLabCreate(rest, out, err);
    if (command == "lab-advance") return RunLabAdvance(rest, out, err);
    if (command == "demo") return RunDemo(rest, out, err);
    throw UsageError("unknown command " + command);
  } catch (const UsageError& e) {
    err << "korvane-console: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const RuntimeError& e) {
    err << "korvane-console " << command << ": " << e.description() << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << "korvane-console " << command << ": " << e.what() << "\n";
    return 1;
  }
}

}  // namespace korvane::console

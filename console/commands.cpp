#include "console/commands.h"

#include <exception>

#include "console/scan/scan_command.h"
#include "platform/runtime_error.h"
#include "platform/version.h"

namespace korvane::console {

namespace {

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  const char* usage;
};

const Command kCommands[] = {
    {"init-db", RunInitDb,
     "  init-db SOURCE\n"
     "      create the inventory tables (SOURCE: a directory for SQLite, an ODBC DSN or a\n"
     "      SQL Server host: what the scanners get as their server)\n"},
    {"scan", RunScanCommand,
     "  scan --db SOURCE [--jobs N] [--user-only] [--timeout SECONDS] [--lab DIR] TARGETS...\n"
     "      scan computers, one korvane process each; TARGETS are names, @FILE lists, or\n"
     "      'all' (every computer of --lab DIR; also the default with --lab and no targets);\n"
     "      --scanner PROGRAM runs another scanner than the korvane next to the console\n"},
    {"show", RunShowCommand,
     "  show --db SOURCE [--format text|csv|json] [COMPUTER]\n"
     "      the inventory, or one computer's values, history, drive space and software;\n"
     "      csv and json for other programs (shapes in docs/console.md)\n"},
    {"report", RunReportCommand,
     "  report --db SOURCE --out DIR [--title TEXT]\n"
     "      write a static HTML report (overview, one page per computer, software census)\n"
     "      into DIR; open DIR/index.html in any browser, no server or network needed\n"},
    {"lab-create", RunLabCreate,
     "  lab-create DIR --computers N [--seed S] [--latency KIND=MS,...]\n"
     "      generate a simulated network of N computers\n"},
    {"lab-advance", RunLabAdvance,
     "  lab-advance DIR --days D [--seed S]\n"
     "      let D days pass in a simulated network\n"},
    {"demo", RunDemo,
     "  demo DIR [--computers N]\n"
     "      the main job in one command: a simulated network of N (50) computers scanned\n"
     "      into a new SQLite inventory in DIR on three pinned days, then shown\n"},
};

constexpr const char* kStatus = "Exit status: 0 success; 1 a scan timed out or died, or a command failed; 2 usage.\n";

std::string Usage() {
  std::string text = "usage: korvane-console COMMAND ...   (COMMAND --help for one command)\n";
  for (const Command& c : kCommands) text += c.usage;
  text += "  --version\n      the program's version\n";
  return text + kStatus;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

}  // namespace

int ConsoleMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? err : out) << Usage();
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version" || args[0] == "-V") {
    out << "korvane-console " << VersionText() << "\n";
    return 0;
  }
  const std::string command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  const Command* found = nullptr;
  for (const Command& c : kCommands) {
    if (command == c.name) found = &c;
  }
  try {
    if (found == nullptr) throw UsageError("unknown command " + command);
    if (AsksForHelp(rest)) {
      out << "usage: korvane-console\n" << found->usage << kStatus;
      return 0;
    }
    return found->run(rest, out, err);
  } catch (const UsageError& e) {
    err << "korvane-console: " << e.what() << "\n";
    if (found != nullptr) {
      err << "usage: korvane-console\n" << found->usage;
    } else {
      err << Usage();
    }
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

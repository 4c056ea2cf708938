#include "console/commands.h"

#include <exception>

#include "console/scan/scan_command.h"
#include "platform/runtime_error.h"
#include "platform/version.h"

namespace korvane::console {

int DaysOption(const std::string& option, const std::string& value) {
  if (value.empty() || value.size() > 5 || value.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError(option + " takes a number of days, not " + value);
  }
  return std::stoi(value);
}

namespace {

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  const char* usage;
  // COMMAND --help: every option with its default and meaning, the exit statuses and
  // examples.
  const char* help;
};

const Command kCommands[] = {
    {"init-db", RunInitDb,
     "  init-db SOURCE\n"
     "      create the inventory tables (SOURCE: a directory for SQLite, an ODBC DSN or a\n"
     "      SQL Server host: what the scanners get as their server)\n",
     "Arguments:\n"
     "  SOURCE   a directory (made when missing; the SQLite file DrevantaAsset.sqlite in it),\n"
     "           an ODBC data source name, or a SQL Server host. Tables already there are kept.\n"
     "\n"
     "Exit status: 0 the tables are ready; 1 the database refused (its message is shown);\n"
     "  2 usage error.\n"
     "\n"
     "Examples:\n"
     "  korvane-console init-db ./inventory\n"
     "  korvane-console init-db KorvanePG\n"},
    {"scan", RunScanCommand,
     "  scan --db SOURCE [--jobs N] [--user-only] [--timeout SECONDS] [--list] [--lab DIR] TARGETS...\n"
     "      scan computers, one korvane process each; TARGETS are names, @FILE lists, or\n"
     "      'all' (every computer of --lab DIR; also the default with --lab and no targets);\n"
     "      --scanner PROGRAM runs another scanner than the korvane next to the console\n",
     "Options:\n"
     "  --db SOURCE        the inventory (required): a directory holding DrevantaAsset.sqlite,\n"
     "                     an ODBC data source name or a SQL Server host; it is opened before\n"
     "                     any scan starts, and the run refuses to start when it cannot be\n"
     "  --jobs N, -j N     scans at once (default: four per processor, at most 64)\n"
     "  --timeout SECONDS  a scan still running after this long is ended (default 300; 0: none)\n"
     "  --user-only        refresh only the logged-on user of each computer (\"-u\")\n"
     "  --list             list every computer in the summary, not only the failures\n"
     "  --lab DIR          scan a simulated network instead of the real one\n"
     "  --scanner PROGRAM  the scanner to run (default: korvane next to the console)\n"
     "  TARGETS            computer names, @FILE (one name a line, # comments), or all (every\n"
     "                     computer of --lab; also the default with --lab and no targets)\n"
     "The scanners' log lines are collected into DrevantaAssetDB.log in Temp. Scanners end\n"
     "with the console however it ends (on Linux); lines a killed console left behind are\n"
     "collected by the next scan.\n"
     "\n"
     "Exit status: 0 every scan ended (a computer that is off or refuses access still counts);\n"
     "  1 a scan timed out, died, could not start, gave up because the inventory refused its\n"
     "  rows, or has an unknown outcome, or the shared log could not be written;\n"
     "  2 usage error, or the inventory cannot be opened, or Temp has no room for the logs;\n"
     "  130/143/129 interrupted (Ctrl+C, SIGTERM, SIGHUP).\n"
     "\n"
     "Examples:\n"
     "  korvane-console scan --db ./inventory PC01 PC02 @floor2.txt\n"
     "  korvane-console scan --db KorvanePG --jobs 32 --timeout 120 --list @all-computers.txt\n"},
    {"show", RunShowCommand,
     "  show --db SOURCE [--format text|csv|json] [--raw] [COMPUTER]\n"
     "  show --db SOURCE --changes [--since YYYY-MM-DD] [--format text|csv|json]\n"
     "  show --db SOURCE --format csv|json --table computers|software|drives|changes|problems\n"
     "       [--stale-days N]\n"
     "      the inventory, or one computer's values, history, drive space and software;\n"
     "      the fleet's changes; csv and json for other programs (shapes in docs/console.md)\n",
     "Options:\n"
     "  --db SOURCE          the inventory (required); opened read-only\n"
     "  --format WORD        text (default), csv or json, in any letter case\n"
     "  --raw                csv: keep cells that start with = + - @ tab or CR as they are\n"
     "                       (by default they get a leading apostrophe, so a spreadsheet\n"
     "                       shows them as text instead of running them as formulas)\n"
     "  --changes            every computer's history entries, newest first, with their kind\n"
     "  --since YYYY-MM-DD   --changes: from this day on (default: the last 7 days, today\n"
     "                       included)\n"
     "  --table WORD         the whole inventory as one table (with --format csv or json),\n"
     "                       in any letter case: computers (default without --table),\n"
     "                       software (a row per computer and program), drives (per\n"
     "                       computer and drive), changes (as --changes), problems (not\n"
     "                       answering, no access, without WMI, stale, renamed?)\n"
     "  --stale-days N       --table problems: not scanned for more than N days is stale\n"
     "                       (default 30, as the report's)\n"
     "  COMPUTER             one computer's values, history, drive space and software\n"
     "Texts from the computers are shown with control characters escaped (\\x1b); amounts the\n"
     "scan could not read are shown as \"unknown\".\n"
     "\n"
     "Exit status: 0 shown; 1 the inventory cannot be read or has no such computer;\n"
     "  2 usage error.\n"
     "\n"
     "Examples:\n"
     "  korvane-console show --db ./inventory --changes --since 2026-11-30\n"
     "  korvane-console show --db KorvanePG --format csv --table software > software.csv\n"},
    {"report", RunReportCommand,
     "  report --db SOURCE --out DIR [--title TEXT] [--stale-days N] [--changes-days N]\n"
     "      write a static HTML report (overview, one page per computer, software census)\n"
     "      into DIR; open DIR/index.html in any browser, no server or network needed\n",
     "Options:\n"
     "  --db SOURCE     the inventory (required); opened read-only\n"
     "  --out DIR       the report's folder (required): a new folder (made, with its parents)\n"
     "                  or the folder of an earlier report (it holds .korvane-report), which\n"
     "                  is replaced whole, old pages included. A file, a symbolic link or a\n"
     "                  folder the report did not make is refused.\n"
     "  --title TEXT    the heading of the pages (default \"Inventory\")\n"
     "  --stale-days N  not scanned for more than N days: a problem (default 30)\n"
     "  --changes-days N\n"
     "                  the changes page's days, today included (default 7)\n"
     "The report also writes computers.csv, software.csv, drives.csv, changes.csv and\n"
     "problems.csv beside its pages, as show --table writes them.\n"
     "\n"
     "Exit status: 0 written; 1 the inventory cannot be read or a page cannot be written;\n"
     "  2 usage error or an --out that is refused.\n"
     "\n"
     "Examples:\n"
     "  korvane-console report --db ./inventory --out ~/inventory-report\n"
     "  korvane-console report --db KorvanePG --out /srv/www/inventory --title \"Floor 2\"\n"},
    {"lab-create", RunLabCreate,
     "  lab-create DIR --computers N [--seed S] [--latency KIND=MS,...]\n"
     "      generate a simulated network of N computers\n",
     "Options:\n"
     "  DIR                    the new lab's directory (refused when it already holds a lab)\n"
     "  --computers N          how many computers (required)\n"
     "  --seed S               the random seed (default 1): the same seed, the same lab\n"
     "  --latency KIND=MS,...  fixed answer delays, e.g. echo=5,wmiConnect=150\n"
     "\n"
     "Exit status: 0 written; 1 it cannot be written; 2 usage error or an existing lab.\n"
     "\n"
     "Examples:\n"
     "  korvane-console lab-create ./lab --computers 200\n"
     "  korvane-console lab-create ./slow-lab --computers 20 --seed 3 --latency echo=50\n"},
    {"lab-advance", RunLabAdvance,
     "  lab-advance DIR --days D [--seed S]\n"
     "      let D days pass in a simulated network\n",
     "Options:\n"
     "  DIR          an existing lab\n"
     "  --days D     how many days pass (required)\n"
     "  --seed S     the random seed (default 1)\n"
     "\n"
     "Exit status: 0 advanced; 1 the lab cannot be read or written; 2 usage error.\n"
     "\n"
     "Examples:\n"
     "  korvane-console lab-advance ./lab --days 1\n"
     "  korvane-console lab-advance ./lab --days 7 --seed 42\n"},
    {"demo", RunDemo,
     "  demo DIR [--computers N]\n"
     "      the main job in one command: a simulated network of N (50) computers scanned\n"
     "      into a new SQLite inventory in DIR on three pinned days, then shown\n",
     "Options:\n"
     "  DIR              a new or empty directory for the lab, the inventory and Temp\n"
     "  --computers N    the size of the network (default 50)\n"
     "\n"
     "Exit status: 0 every day's scan ended; 1 a scan timed out or died, or a step failed;\n"
     "  2 usage error.\n"
     "\n"
     "Examples:\n"
     "  korvane-console demo ./demo\n"
     "  korvane-console demo ./big-demo --computers 200\n"},
};

constexpr const char* kStatus =
    "Exit status: 0 success; 1 a scan failed (timed out, died, gave up on the database, unknown) or a\n"
    "command failed; 2 usage, or a scan that could not start (no inventory, no room for logs).\n";

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
      out << "usage: korvane-console\n" << found->usage << "\n" << found->help;
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

// `korvane-console demo DIR`: the main job in one command, on any platform, with nothing
// but the two executables (Windows has neither a shell nor faketime): a simulated network
// is scanned into a new SQLite inventory on three pinned days, changing between them, and
// the inventory and the computer with the longest history are shown.
#include <filesystem>
#include <ostream>
#include <string>

#include "scan/scan_context.h"
#include "console/commands.h"
#include "console/scan/scan_command.h"
#include "console/system/environment.h"
#include "platform/database.h"
#include "platform/db/database_server.h"
#include "platform/pinned_clock.h"
#include "platform/variant.h"

namespace korvane::console {

namespace fs = std::filesystem;

namespace {

void Step(std::ostream& out, const std::string& title) { out << "\n=== " << title << "\n" << std::flush; }

std::string LongestHistory(const std::string& inventory) {
  std::unique_ptr<DatabaseServer> server = MakeDatabaseServer();
  std::unique_ptr<Connection> connection = server->Open(MakeConnectionString(inventory));
  std::unique_ptr<Recordset> rs = connection->OpenRecordset("SELECT Computer, History FROM Asset");
  std::string pick;
  std::size_t longest = 0;
  if (rs->RecordCount() <= 0) return pick;
  do {
    const Variant computer = rs->Field(0);
    const Variant history = rs->Field(1);
    const std::size_t length = history.kind() == Variant::Kind::Text ? history.text().size() : 0;
    if (computer.kind() != Variant::Kind::Text) continue;
    if (pick.empty() || length > longest || (length == longest && computer.text() < pick)) {
      pick = computer.text();
      longest = length;
    }
  } while (rs->MoveNext());
  return pick;
}

}  // namespace

int RunDemo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string directory;
  std::string computers = "50";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--computers") {
      if (i + 1 >= args.size()) throw UsageError("--computers needs a value");
      computers = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      throw UsageError("unknown option " + args[i]);
    } else if (directory.empty()) {
      directory = args[i];
    } else {
      throw UsageError("demo takes one directory");
    }
  }
  if (directory.empty()) throw UsageError("demo needs a directory");
  std::error_code error;
  if (fs::exists(directory, error) && !fs::is_empty(directory, error)) {
    err << "korvane-console demo: " << directory << " is not empty; name a new directory\n";
    return 1;
  }
  const fs::path root = fs::absolute(directory, error).lexically_normal();
  const std::string lab = (root / "lab").string();
  const std::string inventory = (root / "inventory").string();
  const std::string temp = (root / "temp").string();
  fs::create_directories(temp);
  // The scanners inherit the console's environment: this is how they learn where to
  // write their error log and, below, the pinned day of each scan.
  Environment& environment = ProcessEnvironment();
  environment.Set("Temp", temp);

  Step(out, "A network of " + computers + " computers in " + lab);
  if (int rc = RunLabCreate({lab, "--computers", computers, "--seed", "7"}, out, err); rc != 0) return rc;
  Step(out, "An empty inventory in " + inventory);
  if (int rc = RunInitDb({inventory}, out, err); rc != 0) return rc;

  // A scan that timed out or died makes its batch exit with 1; the demo goes on and the
  // summary says which, as it does for an administrator's own scans.
  int status = 0;
  for (int day = 1; day <= 3; ++day) {
    const std::string when = "2026-12-0" + std::to_string(day) + " 09:00:00";
    if (day > 1) {
      Step(out, "A day passes in the network");
      if (int rc = RunLabAdvance({lab, "--days", "1", "--seed", std::to_string(day)}, out, err); rc != 0) {
        return rc;
      }
    }
    Step(out, "Day " + std::to_string(day) + " (" + when + "): scanning every computer");
    environment.Set(kPinnedClockVariable, when);
    if (RunScanCommand({"--db", inventory, "--lab", lab, "--timeout", "120", "--list", "all"}, out, err) != 0) status = 1;
  }

  Step(out, "The inventory");
  RunShowCommand({"--db", inventory}, out, err);
  const std::string pick = LongestHistory(inventory);
  if (!pick.empty()) {
    Step(out, "One computer: " + pick);
    RunShowCommand({"--db", inventory, pick}, out, err);
  }
  Step(out, "Files");
  out << "  lab:        " << lab << "\n"
      << "  inventory:  " << (fs::path(inventory) / "DrevantaAsset.sqlite").string() << "\n"
      << "  error log:  " << (fs::path(temp) / "DrevantaAssetDB.log").string() << "\n";
  return status;
}

}  // namespace korvane::console

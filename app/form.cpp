#include "app/form.h"

#include <string>

#include "scan/conversions.h"
#include "scan/error_handling.h"
#include "scan/korvane.h"
#include "scan/progress.h"
#include "collect/snapshot_dump.h"
#include "collect/software.h"
#include "collect/wmi_collector.h"
#include "inventory/db_slots.h"
#include "inventory/update_db.h"
#include "platform/runtime_error.h"
#include "platform/storable_text.h"
#include "reach/access_check.h"
#include "reach/last_access.h"
#include "reach/ping.h"

namespace korvane {

namespace {

// Cuts the text before the first comma of `rest` and leaves the text after it in
// `rest`. A missing comma is the runtime's invalid-argument error, as a Left$ with a
// negative length would be.
std::string CutField(std::string& rest) {
  const std::size_t comma = rest.find(',');
  if (comma == std::string::npos) throw StandardError(errors::kInvalidProcedureCall);
  std::string field = rest.substr(0, comma);
  rest.erase(0, comma + 1);
  return field;
}

bool EndsWithUserOnlySwitch(const std::string& text) {
  return text.size() >= 2 && text.compare(text.size() - 2, 2, "-u") == 0;
}

}  // namespace

void Form_Load(Korvane& k) {
  ScanContext& c = k.ctx;
  c.CommandLine = k.platform.process->CommandLine();
  c.ErrorProcedure = "Korvane.Form_Load";
  c.ErrorContext = c.CommandLine;
  WithTerminalHandling(k, [&] {
    k.platform.process->RemoveFromTaskList();
    c.TempDir = k.platform.process->GetEnvironment("Temp").value_or("");
    // The scratch tables start empty; their columns (Program, Version, Location,
    // Product ID) are the fields of SoftwareEntry.
    k.ListView1.clear();
    k.ListView2.clear();

    std::string rest = c.CommandLine;
    c.ConsoleListBox = ToLong(Variant(CutField(rest)));
    std::string computer = CutField(rest);
    c.SqlServer = CutField(rest);
    if (EndsWithUserOnlySwitch(rest)) c.UserOnly = true;
    // Read as the database will hold it: a list saved in a Windows code page gives the
    // same name as one saved as UTF-8. A blank name would key rows by nothing.
    c.ComputerName = StorableText(computer);
    if (c.ComputerName.find_first_not_of(' ') == std::string::npos) {
      throw RuntimeError(errors::kInvalidProcedureCall, "No computer name on the command line");
    }
    c.ConnectionString = MakeConnectionString(c.SqlServer);
  });
}

void Timer1_Timer(Korvane& k) {
  ScanContext& c = k.ctx;
  c.ErrorProcedure = "Korvane.Timer1_Timer";
  c.ErrorContext = c.ComputerName;
  WithTerminalHandling(k, [&] {
    if (EndsWithUserOnlySwitch(c.CommandLine)) c.UserOnly = true;
    // The timer is one-shot: RunKorvane waits for it exactly once.
    Scan(k);
  });
}

void Scan(Korvane& k) {
  ScanContext& c = k.ctx;
  c.ErrorProcedure = "Korvane.Scan";
  c.ErrorContext = c.ComputerName;
  WithTerminalHandling(k, [&] {
    c.PingOK = false;
    Progress(k, progress::Item(progress::kStarted));
    PingHost(k, c.ComputerName);
    Progress(k, progress::Item(progress::kEchoed));
    UpdateLastAccess(k);
    if (!c.PingOK) EndScan(k);
    CheckAccess(k);
    GetWMI(k);
    if (!c.UserOnly) {
      GetSoftware(k);
      Progress(k, progress::Item(progress::kSoftwareDone));
    }
    DumpSnapshotIfAsked(k);
    Progress(k, progress::Item(progress::kCollected));
    UpdateDB(k);
    Progress(k, progress::kComplete);
  });
}

int RunKorvane(Korvane& k) {
  Form_Load(k);
  ConnectAhead(k);
  k.platform.process->WaitForTimer(kTimer1Interval);
  Timer1_Timer(k);
  // Closing the form: with its only window gone the process exits normally.
  return 0;
}

}  // namespace korvane

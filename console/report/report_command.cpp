// `korvane-console report --db SOURCE --out DIR [--title TEXT]`: reads the inventory one
// computer at a time, with the scanners' keyed queries, writes that computer's page at
// once and keeps only what the overview and the census need.
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>

#include "scan/scan_context.h"
#include "scan/time_text.h"
#include "console/commands.h"
#include "console/report/report_command.h"
#include "console/report/report_overview.h"
#include "console/system/local_clock.h"
#include "inventory/query_texts.h"
#include "platform/db/database_server.h"
#include "platform/runtime_error.h"

namespace korvane::console {

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  return RunReport(args, out, LocalClock());
}

int RunReport(const std::vector<std::string>& args, std::ostream& out, Clock& clock) {
  std::string source, dir, title = "Inventory";
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* target = args[i] == "--db" ? &source : args[i] == "--out" ? &dir : args[i] == "--title" ? &title : nullptr;
    if (target == nullptr) throw UsageError("unknown argument " + args[i]);
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    *target = args[++i];
  }
  if (source.empty() || dir.empty()) throw UsageError("report needs --db SOURCE and --out DIR");

  std::unique_ptr<DatabaseServer> server = MakeReadingDatabaseServer();
  std::unique_ptr<Connection> connection = server->Open(MakeConnectionString(source));
  const std::filesystem::path root = std::filesystem::absolute(dir).lexically_normal();
  std::filesystem::create_directories(root / "computers");

  ReportContext context;
  context.title = title;
  // The local time of the report, in the inventory's own pattern.
  context.generated = TimeText(clock.Now());
  context.today = DayNumber(context.generated).value_or(0);
  ReportOverview overview(root, context);
  overview.AddLastAccess(LastAccessTimes(*connection));
  std::size_t number = 0;
  for (const std::string& name : ComputerNames(*connection)) {
    const std::optional<ComputerRows> c = ReadComputer(*connection, name);
    if (!c) continue;
    const std::string page = ComputerPageName(++number, Text(c->asset[asset::kComputer]));
    std::ofstream file(root / page, std::ios::binary | std::ios::trunc);
    if (!file) throw RuntimeError(0, "cannot write " + (root / page).string());
    WriteComputerPage(file, context, *c, overview);
    overview.Add(*c, page);
  }
  overview.Finish();
  out << "Report of " << number << (number == 1 ? " computer" : " computers") << " written to "
      << (root / "index.html").lexically_normal().string() << "\n";
  return 0;
}

}  // namespace korvane::console

// The scanner's command line "HANDLE,COMPUTER,SERVER,REST": start-up either takes it
// apart into the scan context or gives up the one documented way (one log line, the
// "Complete" line, the process ended).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/form.h"
#include "scan/korvane.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/doubles.h"
#include "platform/storable_text.h"

using namespace korvane;

namespace {

// Every line, whatever list box it is for: start-up can end before it has read the handle.
class AllLines : public ConsoleChannel {
 public:
  void AddLine(int32_t, std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  test::TestProcess process;
  AllLines console;
  test::FixedClock clock;
  process.commandLine.assign(reinterpret_cast<const char*>(data), size);
  Platform platform;
  platform.process = &process;
  platform.console = &console;
  platform.clock = &clock;
  Korvane k(platform);

  bool ended = false;
  try {
    Form_Load(k);
  } catch (const ProcessEndedForTest&) {
    ended = true;
  }

  const std::string& line = process.commandLine;
  const std::size_t first = line.find(',');
  const std::size_t second = first == std::string::npos ? first : line.find(',', first + 1);
  const std::size_t third = second == std::string::npos ? second : line.find(',', second + 1);
  if (ended) {
    std::size_t logLines = 0;
    for (const auto& [path, lines] : process.files) logLines += lines.size();
    FUZZ_CHECK(logLines == 1);
    FUZZ_CHECK(!console.lines.empty());
    FUZZ_CHECK(console.lines.back() == k.ctx.ComputerName + ",Complete");
    return 0;
  }
  FUZZ_CHECK(third != std::string::npos);
  FUZZ_CHECK(process.files.empty() && console.lines.empty());
  // The name is taken as the inventory will hold it (bytes that are not UTF-8 read as
  // Windows-1252, NUL as a blank).
  FUZZ_CHECK(k.ctx.ComputerName == StorableText(line.substr(first + 1, second - first - 1)));
  FUZZ_CHECK(k.ctx.SqlServer == line.substr(second + 1, third - second - 1));
  const std::string rest = line.substr(third + 1);
  FUZZ_CHECK(k.ctx.UserOnly == (rest.size() >= 2 && rest.compare(rest.size() - 2, 2, "-u") == 0));
  FUZZ_CHECK(k.ctx.ConnectionString == MakeConnectionString(k.ctx.SqlServer));
  return 0;
}

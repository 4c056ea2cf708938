// `korvane-console report` with the clock it reads once for the time the report is "as
// of": that time heads the overview, and the last answers are counted in days before it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace korvane::console {

int RunReport(const std::vector<std::string>& args, std::ostream& out, Clock& clock);

}  // namespace korvane::console

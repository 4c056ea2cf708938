#include "console/commands.h"
#include "console/targets.h"
namespace korvane::console {
int RunLabCreate(const std::vector<std::string>&, std::ostream&, std::ostream&) { throw UsageError("not yet"); }
int RunLabAdvance(const std::vector<std::string>&, std::ostream&, std::ostream&) { throw UsageError("not yet"); }
}

#include "platform/lab/lab.h"

#include "platform/runtime_error.h"

namespace korvane {

// Filled in with the lab reader.
std::unique_ptr<TargetNetwork> OpenLab(const std::string&, std::ostream&) {
  throw RuntimeError(-1, "lab not built yet");
}

}  // namespace korvane

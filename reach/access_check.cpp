#include "reach/access_check.h"

namespace korvane {

// Filled in with the remote registry reader.
void CheckAccess(Korvane&) {}

}  // namespace korvane

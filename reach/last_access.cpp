#include "reach/last_access.h"

namespace korvane {

// Filled in with the database layer.
void UpdateLastAccess(Korvane&) {}

}  // namespace korvane

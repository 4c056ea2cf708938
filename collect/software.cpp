#include "collect/software.h"

namespace korvane {

// Filled in with the collectors.
void GetSoftware(Korvane&) {}

}  // namespace korvane

#include "inventory/update_db.h"

namespace korvane {

// Filled in with the reconciliation.
void UpdateDB(Korvane&) {}

}  // namespace korvane

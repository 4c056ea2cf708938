#include "inventory/db_slots.h"

namespace korvane {

// Filled in with the database layer.
void OpenRecordset1(Korvane&) {}
void OpenRecordset2(Korvane&) {}
void OpenRecordset3(Korvane&) {}

}  // namespace korvane

// The three database slots of the reconciliation: Asset rows (1), Software rows (2),
// Services rows (3). Each open procedure opens a new connection object and recordset with
// the slot's query text (all on the scan's one connection to the server); a slot that
// cannot be opened ends the scan.
#pragma once

namespace korvane {

struct Korvane;

void OpenRecordset1(Korvane& k);
void OpenRecordset2(Korvane& k);
void OpenRecordset3(Korvane& k);

}  // namespace korvane

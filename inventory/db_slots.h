// The three database slots of the reconciliation: Asset rows (1), Software rows (2),
// Services rows (3). Each open procedure opens a new connection object and recordset with
// the slot's query text (all on the scan's one connection to the server); a slot that
// cannot be opened ends the scan. That one connection is made ahead, here too, since the
// slots' tables are what it reads to warm the server.
#pragma once

namespace korvane {

struct Korvane;

// Connects to the inventory on a thread of its own while the form's timer, the echo and
// the collection run, and reads the computer's rows of every table the scan uses once,
// so that a scanner process (which meets the server on a new connection every time)
// does not wait on connecting and on the server's first look at each table. The scan's
// first open takes that connection; what it reads and writes is unchanged.
void ConnectAhead(Korvane& k);

void OpenRecordset1(Korvane& k);
void OpenRecordset2(Korvane& k);
void OpenRecordset3(Korvane& k);

}  // namespace korvane

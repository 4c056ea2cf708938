// The field-by-field comparison of the collected snapshot with the stored Asset row,
// run while the row still holds the previous scan's values. One History entry per
// changed field, in a fixed order; no error handling of its own, so a failure ends the
// comparison and the entries stored so far remain.
#pragma once

namespace korvane {

struct Korvane;

void CompareAsset(Korvane& k);

}  // namespace korvane

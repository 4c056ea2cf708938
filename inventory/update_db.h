// Asset reconciliation: the computer's Asset, Software and Services rows.
#pragma once

namespace korvane {

struct Korvane;

void UpdateDB(Korvane& k);

}  // namespace korvane

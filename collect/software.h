// The installed-software collector: the uninstall entries of the remote registry.
#pragma once

namespace korvane {

struct Korvane;

void GetSoftware(Korvane& k);

}  // namespace korvane

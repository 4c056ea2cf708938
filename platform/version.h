// What both programs say with --version: the release and the commit it was built from,
// for example "0.1 (commit 1ffcecc4e2ab)", or "0.1 (commit 1ffcecc4e2ab, 1ffcecc4e2ab-dirty)"
// for a build of changed sources.
#pragma once

namespace korvane {

const char* VersionText();

}  // namespace korvane

// The error log: TempDir & separator & "DrevantaAssetDB.log", one line per call,
// "date time,first,second". Shared by every scanner process of the account; each line is
// appended with its own open, single write and close, and every failure is ignored.
#pragma once

#include <string>

namespace korvane {

struct Korvane;

inline constexpr const char* kLogFileName = "DrevantaAssetDB.log";

std::string LogFilePath(const Korvane& k);

void LogError(Korvane& k, const std::string& first, const std::string& second);

}  // namespace korvane

// The embedded backend: the inventory in the SQLite file DrevantaAsset.sqlite.
//
// Many scanner processes write to one file at once, so every connection waits for a
// busy file (busy time-out) instead of failing, and the file runs in WAL mode so that
// readers never block the writer. Rows are found again by their rowid.
#pragma once

#include <memory>
#include <string>

#include "platform/database.h"

namespace korvane::db {

// Milliseconds a statement waits for another process's write before it gives up.
inline constexpr int kSqliteBusyTimeoutMs = 120000;

// Opens the existing file at `path` (never creates it). `create` is for the schema
// installer only.
std::unique_ptr<Connection> OpenSqliteConnection(const std::string& path, bool create = false);

// Opens the existing file for reading only (show, report), also where neither the file
// nor its directory may be written.
std::unique_ptr<Connection> OpenSqliteForReading(const std::string& path);

}  // namespace korvane::db

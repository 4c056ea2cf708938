// Reading the fixed connection string ("Provider=SQLOLEDB;Data Source=...;Initial
// Catalog=DrevantaAsset;Trusted_Connection=yes"): keywords match without regard to
// letter case and values are taken as they stand.
#pragma once

#include <string>

namespace korvane::db {

struct ConnectionTarget {
  std::string dataSource;
  std::string catalog;
};

ConnectionTarget ParseConnectionString(const std::string& connectionString);

// The catalog every scanner works in, and the SQLite file that holds it.
inline constexpr const char* kCatalog = "DrevantaAsset";
inline constexpr const char* kSqliteFileName = "DrevantaAsset.sqlite";

}  // namespace korvane::db

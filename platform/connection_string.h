// The fixed connection string every scanner opens the inventory with ("Provider=SQLOLEDB;
// Data Source=...;Initial Catalog=DrevantaAsset;Trusted_Connection=yes"), made and read
// here only. Reading matches keywords without regard to letter case or blanks and takes
// values as they stand.
#pragma once

#include <string>

namespace korvane {

// The catalog every scanner works in, and the SQLite file that holds it.
inline constexpr const char* kCatalog = "DrevantaAsset";
inline constexpr const char* kSqliteFileName = "DrevantaAsset.sqlite";

// "Provider=SQLOLEDB;Data Source=" & server & ";Initial Catalog=DrevantaAsset;Trusted_Connection=yes"
std::string MakeConnectionString(const std::string& sqlServer);

struct ConnectionTarget {
  std::string dataSource;
  std::string catalog;  // kCatalog when the string names none
};

ConnectionTarget ParseConnectionString(const std::string& connectionString);

}  // namespace korvane

#include "platform/connection_string.h"

#include <cctype>

namespace korvane {

namespace {

std::string Canonical(const std::string& keyword) {
  std::string out;
  for (char c : keyword) {
    if (std::isspace(static_cast<unsigned char>(c)) == 0) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

}  // namespace

std::string MakeConnectionString(const std::string& sqlServer) {
  return std::string("Provider=SQLOLEDB;Data Source=") + sqlServer + ";Initial Catalog=" + kCatalog +
         ";Trusted_Connection=yes";
}

ConnectionTarget ParseConnectionString(const std::string& connectionString) {
  ConnectionTarget target;
  target.catalog = kCatalog;
  std::size_t start = 0;
  while (start <= connectionString.size()) {
    std::size_t end = connectionString.find(';', start);
    if (end == std::string::npos) end = connectionString.size();
    const std::string pair = connectionString.substr(start, end - start);
    const std::size_t equals = pair.find('=');
    if (equals != std::string::npos) {
      const std::string keyword = Canonical(pair.substr(0, equals));
      const std::string value = pair.substr(equals + 1);
      if (keyword == "datasource" || keyword == "server") target.dataSource = value;
      if (keyword == "initialcatalog" || keyword == "database") target.catalog = value;
    }
    start = end + 1;
  }
  return target;
}

}  // namespace korvane

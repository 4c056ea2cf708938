#include "platform/db/database_server.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/connection_string.h"
#include "platform/db/engine.h"
#include "platform/db/odbc_engine.h"
#include "platform/db/odbc_support.h"
#include "platform/db/sqlite_engine.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace db {

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (SameTextIgnoringCase(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

// ODBC connection-string values are wrapped in braces only when they could be misread
// (not every driver manager unwraps a braced DSN name).
std::string Braced(const std::string& value) {
  if (value.find_first_of(";{}=") == std::string::npos && !value.empty() &&
      value.front() != ' ' && value.back() != ' ') {
    return value;
  }
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

class Server : public DatabaseServer {
 public:
  explicit Server(bool reading) : reading_(reading) {}
  std::unique_ptr<Connection> Open(const std::string& connectionString) override {
    const ConnectionTarget target = ParseConnectionString(connectionString);
    const BackendChoice choice = ChooseBackend(target.dataSource, target.catalog);
    if (reading_ && choice.kind == BackendChoice::Kind::SqliteFile) return OpenSqliteForReading(choice.sqlitePath);
    return OpenBackend(choice);
  }

 private:
  bool reading_;
};

}  // namespace

BackendChoice ChooseBackend(const std::string& dataSource, const std::string& catalog) {
  BackendChoice choice;
  std::error_code ec;
  if (!dataSource.empty() && std::filesystem::is_directory(dataSource, ec)) {
    choice.kind = BackendChoice::Kind::SqliteFile;
    choice.sqlitePath = (std::filesystem::path(dataSource) / kSqliteFileName).string();
    return choice;
  }
  for (const std::string& dsn : odbc::DataSourceNames()) {
    if (!dataSource.empty() && SameTextIgnoringCase(dsn, dataSource)) {
      choice.kind = BackendChoice::Kind::OdbcDataSource;
      choice.odbcConnectionString = "DSN=" + Braced(dsn) + ";DATABASE=" + Braced(catalog);
      return choice;
    }
  }
  choice.kind = BackendChoice::Kind::SqlServerHost;
  for (const std::string& driver : odbc::DriverNames()) {
    if (ContainsIgnoringCase(driver, "SQL Server")) {
      choice.odbcConnectionString = "DRIVER=" + Braced(driver) + ";SERVER=" + Braced(dataSource) +
                                    ";DATABASE=" + Braced(catalog) + ";Trusted_Connection=Yes";
      return choice;
    }
  }
  throw RuntimeError(kProviderError,
                     "SQL Server does not exist or access denied: '" + dataSource +
                         "' is neither a directory nor an ODBC data source, and no SQL Server "
                         "ODBC driver is installed");
}

std::unique_ptr<Connection> OpenBackend(const BackendChoice& choice) {
  if (choice.kind == BackendChoice::Kind::SqliteFile) return OpenSqliteConnection(choice.sqlitePath);
  return OpenOdbcConnection(choice.odbcConnectionString);
}

}  // namespace db

std::unique_ptr<DatabaseServer> MakeDatabaseServer() { return std::make_unique<db::Server>(false); }

std::unique_ptr<DatabaseServer> MakeReadingDatabaseServer() { return std::make_unique<db::Server>(true); }

}  // namespace korvane

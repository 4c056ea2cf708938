#include "tests/support/inventory_fixture.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "scan/scan_context.h"
#include "inventory/query_texts.h"
#include "platform/connection_string.h"
#include "platform/db/database_server.h"
#include "platform/db/schema_install.h"

namespace korvane {

void PrintTo(const Variant& value, std::ostream* os) {
  switch (value.kind()) {
    case Variant::Kind::Empty: *os << "Empty"; break;
    case Variant::Kind::Null: *os << "Null"; break;
    case Variant::Kind::Text: *os << "Text(\"" << value.text() << "\")"; break;
    case Variant::Kind::Long: *os << "Long(" << value.long_value() << ")"; break;
    case Variant::Kind::Double: *os << "Double(" << value.double_value() << ")"; break;
    case Variant::Kind::Bool: *os << "Bool(" << value.bool_value() << ")"; break;
  }
}

}  // namespace korvane

namespace korvane::test {

std::string PostgresDsn() {
  const char* dsn = std::getenv("KORVANE_TEST_PG_DSN");
  return dsn == nullptr ? "" : dsn;
}

std::string BackendName(InventoryBackend backend) {
  switch (backend) {
    case InventoryBackend::Sqlite: return "Sqlite";
    case InventoryBackend::Postgres: return "Postgres";
  }
  return "?";
}

std::string UniqueComputerName(const std::string& prefix) {
  static std::atomic<int> counter{0};
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto stamp = std::chrono::duration_cast<std::chrono::microseconds>(now).count() % 100000000;
  return prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(stamp) + "-" +
         std::to_string(counter++);
}

Inventory::Inventory(InventoryBackend backend) {
  if (backend == InventoryBackend::Sqlite) {
    dir_ = std::make_unique<TempDir>();
    dataSource_ = dir_->str();
    InstallSchema(dataSource_);
    return;
  }
  dataSource_ = PostgresDsn();
  if (dataSource_.empty()) throw std::runtime_error("KORVANE_TEST_PG_DSN is not set");
}

std::string Inventory::ConnectionString() const { return MakeConnectionString(dataSource_); }

std::string Inventory::SqliteFile() const {
  if (!dir_) return {};
  return (dir_->path() / kSqliteFileName).string();
}

std::unique_ptr<Connection> Inventory::Connect() const {
  return MakeDatabaseServer()->Open(ConnectionString());
}

std::vector<std::vector<Variant>> Inventory::Rows(const std::string& query) const {
  auto connection = Connect();
  auto recordset = connection->OpenRecordset(query);
  std::vector<std::vector<Variant>> rows;
  for (bool more = recordset->RecordCount() > 0; more; more = recordset->MoveNext()) {
    std::vector<Variant> row;
    for (int i = 0; i < recordset->FieldCount(); ++i) row.push_back(recordset->Field(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::vector<Variant>> Inventory::RowsOf(const std::string& table,
                                                    const std::string& key) const {
  // The lists' tables without the item counts a server may keep beside them.
  const std::string columns = table == "Software"   ? "SoftComputer, SoftwareList"
                              : table == "Services" ? "ServComputer, ServiceList"
                                                    : "*";
  return Rows("SELECT " + columns + " FROM " + table + " WHERE " + KeyColumnOf(table) + " = '" +
              QuoteInLiteral(key) + "'");
}

std::string KeyColumnOf(const std::string& table) {
  if (table == "Software") return "SoftComputer";
  if (table == "Services") return "ServComputer";
  if (table == "DriveHistory") return "DiskComputer";
  return "Computer";
}

}  // namespace korvane::test

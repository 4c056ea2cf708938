// A fresh inventory database for one test, and small readers for checking its rows.
// SQLite: a new directory (the scanner's "server" field) with the schema installed.
// PostgreSQL (KORVANE_TEST_PG_DSN): one database shared by every test, so tests use names
// of their own (UniqueComputerName) and never empty the tables.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/database.h"
#include "platform/variant.h"
#include "tests/support/temp_dir.h"

namespace korvane {
// Readable values in assertion messages.
void PrintTo(const Variant& value, std::ostream* os);
}  // namespace korvane

namespace korvane::test {

using Row = std::vector<Variant>;

enum class InventoryBackend { Sqlite, Postgres };

// The DSN of the PostgreSQL test database (KORVANE_TEST_PG_DSN), or empty.
std::string PostgresDsn();

std::string BackendName(InventoryBackend backend);

// Every backend a scanner can write to.
inline auto ServerBackends() {
  return ::testing::Values(InventoryBackend::Sqlite, InventoryBackend::Postgres);
}

// A name no other test (and no earlier run) uses: prefix & process id & a counter.
std::string UniqueComputerName(const std::string& prefix);

class Inventory {
 public:
  // Throws std::runtime_error for PostgreSQL when KORVANE_TEST_PG_DSN is unset.
  explicit Inventory(InventoryBackend backend = InventoryBackend::Sqlite);

  // An inventory that already exists at `dataSource` (a directory or a DSN).
  Inventory(InventoryBackend, std::string dataSource) : dataSource_(std::move(dataSource)) {}

  // What the scanner's command line names as its server: the directory or the DSN.
  const std::string& DataSource() const { return dataSource_; }
  // The scanner's connection string for it.
  std::string ConnectionString() const;
  // SQLite only: the database file.
  std::string SqliteFile() const;

  // A new connection through the program's own database layer.
  std::unique_ptr<Connection> Connect() const;

  std::vector<std::vector<Variant>> Rows(const std::string& query) const;

  // The rows of `table` whose key column equals `key`, in the database's order.
  std::vector<std::vector<Variant>> RowsOf(const std::string& table, const std::string& key) const;

  void Execute(const std::string& statement) const { Connect()->Execute(statement); }

 private:
  std::unique_ptr<TempDir> dir_;
  std::string dataSource_;
};

std::string KeyColumnOf(const std::string& table);

}  // namespace korvane::test

// Skips the current test when the backend is not configured here, saying why.
#define KORVANE_SKIP_UNLESS_AVAILABLE(backend)                                              \
  do {                                                                                      \
    if ((backend) == ::korvane::test::InventoryBackend::Postgres &&                        \
        ::korvane::test::PostgresDsn().empty()) {                                           \
      GTEST_SKIP() << "PostgreSQL tests need KORVANE_TEST_PG_DSN (see "                      \
                      "scripts/postgres-setup.sh)";                                         \
    }                                                                                       \
  } while (false)

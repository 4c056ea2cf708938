// What a database backend does for the client-side recordset: run a query and hand over
// all its rows, describe a table, count its rows, add a row by its key, and store changed
// columns into one row found by the backend's own row locator. Every write is one
// statement, committed at once unless a transaction of the session is open. Failures
// are RuntimeError with the backend's text.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/variant.h"

namespace korvane::db {

// DefinedSize reported for unbounded text columns (as ADO reports for long text).
inline constexpr int32_t kUnboundedSize = 2147483647;

// E_FAIL, the error number a database component reports for its own failures.
inline constexpr int32_t kProviderError = -2147467259;

struct ColumnInfo {
  std::string name;
  int32_t definedSize = kUnboundedSize;
  // Whether the column can be compared in a WHERE clause (long text usually cannot).
  bool comparable = true;
  // The table column the value comes from, when the backend tells (an alias such as
  // Expr1 names a copy of another column); empty when unknown.
  std::string baseName;
};

struct FetchedRow {
  std::vector<Variant> values;
  std::string locator;  // empty when the backend finds rows by their values
};

struct FetchResult {
  std::vector<ColumnInfo> columns;
  std::vector<FetchedRow> rows;
};

using ColumnChanges = std::vector<std::pair<int, Variant>>;

class Engine {
 public:
  virtual ~Engine() = default;

  // The query text as this engine can run it.
  virtual std::string AdaptQuery(const std::string& query) = 0;

  // Runs the query; with `withLocator` the engine adds its locator column at the end of
  // the select list and takes it out of the columns it reports.
  virtual FetchResult Fetch(const std::string& query, bool withLocator) = 0;

  // The columns of a table, without reading any row.
  virtual std::vector<ColumnInfo> Describe(const std::string& table) = 0;

  virtual int64_t CountRows(const std::string& table) = 0;

  // Adds a row holding only `key` in `keyColumn`; returns its locator.
  virtual std::string Insert(const std::string& table, const std::string& keyColumn,
                             const Variant& key) = 0;

  // Stores `changes` into the row that `original` (its values as last read or stored)
  // and `locator` describe, while its key and the changed columns still hold those
  // values (row_locator.h); returns the row's locator afterwards. Throws
  // ThrowRowNotFound's error when they do not.
  virtual std::string UpdateRow(const std::string& table, const std::vector<ColumnInfo>& columns,
                                const std::vector<Variant>& original, const std::string& locator,
                                const ColumnChanges& changes) = 0;

  virtual void Execute(const std::string& statement) = 0;

  // Whether the session with the server is lost; a file never is.
  virtual bool Broken() { return false; }

  // One transaction around the session's next writes, ended by committing them.
  virtual void BeginTransaction() {}
  virtual void CommitTransaction() {}
};

// "Row cannot be located for updating": the row changed or went away since it was read.
[[noreturn]] void ThrowRowNotFound();

// Whether storing `value` into a column that holds `stored` would leave it as it is, so
// that no statement is needed. Only values of one kind are the same (a number given as
// text is converted by the backend; text compares exactly, letter case included), numbers
// by their value; Null and Empty alike.
bool HoldsAlready(const Variant& stored, const Variant& value);

// An integer as the recordset holds it: a Long when it fits, otherwise a Double.
Variant IntegerValue(int64_t n);

// A value as a backend stores it: text in its storable form, Empty as Null.
Variant StoredForm(const Variant& value);

// DefinedSize of a declared column type such as NVARCHAR(255), TEXT, INTEGER.
int32_t DefinedSizeOfDeclaredType(const std::string& declaredType);

}  // namespace korvane::db

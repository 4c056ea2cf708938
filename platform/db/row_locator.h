// How a backend finds again the row a recordset read, to store a change into it.
//
// Updates are optimistic by the key and the changed columns: a change is stored only
// while the row's key and every column the change writes still hold exactly what the
// recordset read (or what its own last stored change left there); the row's other
// columns may have changed meanwhile (a site's trigger, a column another tool keeps).
// "Exactly" is the bytes the database returned, not the form the program stores texts
// in, so a row holding a NUL or bytes that are not UTF-8 is found as well as any other.
//
// Each backend has one strategy: SQLite's rowid, PostgreSQL's ctid (found again by the
// key and the values when the row has had another version since), and on other ODBC
// servers the key and the values alone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/db/engine.h"

namespace korvane::db {

// A statement parameter. An exact text is sent as the bytes the recordset read, to be
// compared with the stored value; any other text is sent in its storable form.
struct Param {
  Variant value;
  bool exact = false;
};

struct LocatedStatement {
  std::string sql;
  std::vector<Param> params;
};

// One change to store: the row as last read or stored and its locator, and the columns
// to write.
struct RowChange {
  const std::string& table;
  const std::vector<ColumnInfo>& columns;
  const std::vector<Variant>& original;
  const std::string& locator;
  const ColumnChanges& changes;
};

class RowLocator {
 public:
  virtual ~RowLocator() = default;

  // The select-list expression that names a row, added after the query's own columns;
  // empty when rows are found by their values alone.
  virtual std::string LocatorColumn() const = 0;

  // Added to an INSERT or UPDATE so that it returns the row's locator; empty when it
  // returns none (the engine then knows the locator otherwise, or there is none).
  virtual std::string Returning() const { return {}; }

  // The UPDATE statements to try in turn until one changes a row; none changing a row
  // means the row changed or went away since it was read.
  virtual std::vector<LocatedStatement> Updates(const RowChange& change) const = 0;
};

std::unique_ptr<RowLocator> RowidLocator();
std::unique_ptr<RowLocator> CtidLocator();
// `quote`: the server's identifier quote; `sqlServer`: compare texts as bytes the way
// SQL Server can (its usual collations ignore letter case).
std::unique_ptr<RowLocator> KeyAndValuesLocator(std::string quote, bool sqlServer);

// A column name in the identifier quotes given (none when empty), quotes inside doubled.
std::string QuotedIdentifier(const std::string& name, const std::string& quote);

}  // namespace korvane::db

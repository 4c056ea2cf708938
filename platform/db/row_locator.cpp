#include "platform/db/row_locator.h"

#include <charconv>
#include <set>

#include "platform/db/sql_text.h"

namespace korvane::db {

namespace {

enum class Dialect { Sqlite, Postgres, Other, SqlServer };

// The conditions that the key and the changed columns still hold what was read.
struct Conditions {
  std::string sql;
  std::vector<Param> params;

  void Add(const std::string& condition) {
    if (!sql.empty()) sql += " AND ";
    sql += condition;
  }
};

// Shortest text that reads back as the same double.
std::string ExactNumberText(double d) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, result.ptr);
}

// The column's name in the table (an alias names a copy of it).
const std::string& BaseName(const ColumnInfo& c) { return c.baseName.empty() ? c.name : c.baseName; }

// Adds the condition that `column` holds exactly `was`; false when this backend cannot
// compare the column (it then does not take part).
bool AddHolds(Conditions& where, Dialect dialect, const ColumnInfo& info, const std::string& column,
              const Variant& was) {
  if (was.IsNull() || was.IsEmpty()) {
    where.Add(column + " IS NULL");
    return true;
  }
  switch (dialect) {
    case Dialect::Sqlite:
      if (was.kind() == Variant::Kind::Text) {
        // As bytes: neither the key's NOCASE nor any mapping of the text takes part.
        where.Add("CAST(" + column + " AS BLOB) = ?");
        where.params.push_back({was, true});
      } else {
        // Numbers as SQLite holds them: a REAL read back compares exactly.
        where.Add(column + " = ?");
        where.params.push_back({was});
      }
      return true;
    case Dialect::Postgres:
      if (was.kind() == Variant::Kind::Text) {
        // As text, so that a citext key compares exactly and the parameter's type needs
        // no guessing (text equality is byte equality under every deterministic collation).
        where.Add("CAST(" + column + " AS text) = CAST(? AS text)");
        where.params.push_back({was, true});
      } else if (was.kind() == Variant::Kind::Double) {
        // A double sent as a driver's parameter need not arrive bit for bit; its shortest
        // exact text does.
        where.Add("CAST(" + column + " AS double precision) = CAST(? AS double precision)");
        where.params.push_back({Variant(ExactNumberText(was.double_value()))});
      } else {
        where.Add(column + " = ?");
        where.params.push_back({was});
      }
      return true;
    case Dialect::Other:
    case Dialect::SqlServer:
      if (!info.comparable) return false;
      if (was.kind() == Variant::Kind::Text && dialect == Dialect::SqlServer) {
        where.Add("CAST(" + column + " AS varbinary(max)) = CAST(? AS varbinary(max))");
      } else {
        where.Add(column + " = ?");
      }
      where.params.push_back({was, was.kind() == Variant::Kind::Text});
      return true;
  }
  return false;
}

// The key (column 0) and each changed column, each once.
Conditions KeyAndChanged(const RowChange& change, Dialect dialect, const std::string& quote) {
  std::set<std::size_t> ordinals{0};
  for (const auto& c : change.changes) ordinals.insert(static_cast<std::size_t>(c.first));
  Conditions where;
  for (std::size_t i : ordinals) {
    if (i >= change.columns.size() || i >= change.original.size()) continue;
    const ColumnInfo& info = change.columns[i];
    AddHolds(where, dialect, info, QuotedIdentifier(BaseName(info), quote), change.original[i]);
  }
  return where;
}

LocatedStatement SetPart(const RowChange& change, const std::string& quote) {
  LocatedStatement s;
  s.sql = "UPDATE " + change.table + " SET ";
  for (std::size_t i = 0; i < change.changes.size(); ++i) {
    if (i > 0) s.sql += ", ";
    const ColumnInfo& info = change.columns[static_cast<std::size_t>(change.changes[i].first)];
    s.sql += QuotedIdentifier(BaseName(info), quote) + " = ?";
    s.params.push_back({change.changes[i].second});
  }
  return s;
}

void Append(LocatedStatement& s, const Conditions& where) {
  s.sql += where.sql;
  s.params.insert(s.params.end(), where.params.begin(), where.params.end());
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// SQLite: a rowid stays with its row for the row's life.
class Rowid : public RowLocator {
 public:
  std::string LocatorColumn() const override { return "_rowid_"; }

  std::vector<LocatedStatement> Updates(const RowChange& change) const override {
    if (!AllDigits(change.locator)) return {};
    LocatedStatement s = SetPart(change, "\"");
    s.sql += " WHERE _rowid_ = " + change.locator + " AND ";
    Append(s, KeyAndChanged(change, Dialect::Sqlite, "\""));
    return {s};
  }
};

// PostgreSQL: every version of a row has a ctid of its own, returned by each update. A
// row given another version since it was read (a trigger, another client writing other
// columns) is found again by its key and the read values of the changed columns.
class Ctid : public RowLocator {
 public:
  std::string LocatorColumn() const override { return "ctid"; }
  std::string Returning() const override { return " RETURNING ctid"; }

  std::vector<LocatedStatement> Updates(const RowChange& change) const override {
    const Conditions held = KeyAndChanged(change, Dialect::Postgres, "\"");
    std::vector<LocatedStatement> statements;
    // The locator came from the server as "(block,item)" and was checked on reading.
    if (!change.locator.empty()) {
      LocatedStatement byCtid = SetPart(change, "\"");
      byCtid.sql += " WHERE ctid = '" + change.locator + "'::tid AND ";
      Append(byCtid, held);
      byCtid.sql += Returning();
      statements.push_back(std::move(byCtid));
    }
    if (change.original.empty() || change.columns.empty()) return statements;
    // The key also compared as the column compares it (a literal takes the column's type,
    // citext), so that the key's index finds the candidates.
    LocatedStatement byValues = SetPart(change, "\"");
    byValues.sql += " WHERE ctid = (SELECT ctid FROM " + change.table + " WHERE ";
    if (change.original[0].kind() == Variant::Kind::Text) {
      byValues.sql += QuotedIdentifier(BaseName(change.columns[0]), "\"") + " = " +
                      TextLiteral(change.original[0].text()) + " AND ";
    }
    Append(byValues, held);
    byValues.sql += " ORDER BY ctid LIMIT 1) AND ";
    Append(byValues, held);
    byValues.sql += Returning();
    statements.push_back(std::move(byValues));
    return statements;
  }
};

// Other servers: the row is the one whose key and changed columns hold what was read.
class KeyAndValues : public RowLocator {
 public:
  KeyAndValues(std::string quote, bool sqlServer) : quote_(std::move(quote)), sqlServer_(sqlServer) {}

  std::string LocatorColumn() const override { return {}; }

  std::vector<LocatedStatement> Updates(const RowChange& change) const override {
    const Conditions held =
        KeyAndChanged(change, sqlServer_ ? Dialect::SqlServer : Dialect::Other, quote_);
    // Without a value to compare, any row would do: refuse rather than write them all.
    if (held.sql.empty()) return {};
    LocatedStatement s = SetPart(change, quote_);
    s.sql += " WHERE ";
    Append(s, held);
    return {s};
  }

 private:
  std::string quote_;
  bool sqlServer_;
};

}  // namespace

std::unique_ptr<RowLocator> RowidLocator() { return std::make_unique<Rowid>(); }
std::unique_ptr<RowLocator> CtidLocator() { return std::make_unique<Ctid>(); }
std::unique_ptr<RowLocator> KeyAndValuesLocator(std::string quote, bool sqlServer) {
  return std::make_unique<KeyAndValues>(std::move(quote), sqlServer);
}

std::string QuotedIdentifier(const std::string& name, const std::string& quote) {
  if (quote.empty()) return name;
  std::string out = quote;
  for (char c : name) {
    out += c;
    if (quote.size() == 1 && c == quote[0]) out += c;
  }
  return out + quote;
}

}  // namespace korvane::db

#include "tests/support/memory_db.h"

#include <optional>
#include <regex>

#include "platform/db/case_fold.h"
#include "platform/db/engine.h"
#include "platform/db/schema_install.h"
#include "platform/db/sql_text.h"
#include "platform/runtime_error.h"

namespace korvane::test {

namespace {

// The two query shapes the scan sends: the whole table, and the rows of one key with
// the key repeated as Expr1. Anything else is refused, as no other query is understood.
struct ParsedQuery {
  std::string table;
  bool expr1 = false;
  std::optional<std::string> key;
};

ParsedQuery Parse(const std::string& query, const std::map<std::string, MemoryTable>& tables) {
  const std::string plain = db::RemoveNationalPrefix(query);
  const auto key = db::FindKeyComparison(plain);
  const auto table = db::TableOfQuery(plain);
  if (!table || (!key && !db::WholeTableName(plain))) throw RuntimeError(-1, "Incorrect syntax: " + query);
  if (!tables.contains(*table)) throw RuntimeError(-1, "Invalid object name '" + *table + "'.");
  return {*table, plain.find(" AS Expr1 ") != std::string::npos,
          key ? std::optional(key->value) : std::nullopt};
}

class MemoryRecordset : public Recordset {
  struct Entry {
    std::shared_ptr<Row> stored;
    Row read;  // the row as this recordset last read or stored it
  };

 public:
  MemoryRecordset(MemoryDatabase& db, const ParsedQuery& q, bool broken)
      : db_(db), table_(q.table), expr1_(q.expr1), broken_(broken) {
    for (const auto& row : Def().rows) {
      if (!q.key || db::FoldKey((*row)[0].text()) == db::FoldKey(*q.key)) rows_.push_back({row, *row});
    }
  }

  int32_t RecordCount() override { return broken_ ? -1 : static_cast<int32_t>(rows_.size()); }
  void AddNew(const Variant& key) override {
    Check();
    db_.AddRow(table_, key);
    rows_.push_back({Def().rows.back(), *Def().rows.back()});
    current_ = rows_.size() - 1;
  }
  void Update(int ordinal, const Variant& value) override {
    Entry& entry = Current(ordinal, false);
    std::map<int, Variant> changes = pending_;
    changes[ordinal] = value;
    // A change that failed stays pending, as on the real backends: it fails again with
    // every later update of the row, and Close reports it.
    for (const auto& c : changes) {
      if (!db_.failingUpdates.contains({table_, c.first})) continue;
      pending_ = changes;
      unstored_ = true;
      throw RuntimeError(-2147217887, "Injected failure writing column " + std::to_string(c.first));
    }
    // Like the real backends, writing what the row held when read needs no statement,
    // so it cannot find the row changed by another writer.
    std::erase_if(changes, [&](const auto& c) {
      return db::HoldsAlready(entry.read[static_cast<std::size_t>(c.first)], c.second);
    });
    // Optimistic by the key and the changed columns, as the real backends are; the
    // change stays pending, and Close reports it.
    const auto differs = [&](std::size_t o) { return (*entry.stored)[o] != entry.read[o]; };
    bool moved = !changes.empty() && differs(0);
    for (const auto& c : changes) moved = moved || differs(static_cast<std::size_t>(c.first));
    if (moved) {
      pending_ = changes;
      unstored_ = true;
      db::ThrowRowNotFound();
    }
    for (auto& [o, v] : changes) {
      (*entry.stored)[static_cast<std::size_t>(o)] = v;
      entry.read[static_cast<std::size_t>(o)] = v;
    }
    pending_.clear();
    unstored_ = false;
    db_.calls.push_back("update " + table_ + " " + std::to_string(ordinal));
  }
  Variant Field(int ordinal) override {
    const Entry& entry = Current(ordinal, expr1_);
    if (db_.failingReads.contains({table_, ordinal})) {
      throw RuntimeError(-2147217887, "Injected failure reading column " + std::to_string(ordinal));
    }
    if (static_cast<std::size_t>(ordinal) == entry.read.size()) return entry.read[0];  // Expr1
    const auto p = pending_.find(ordinal);
    return p != pending_.end() ? p->second : entry.read[static_cast<std::size_t>(ordinal)];
  }
  void SetField(int ordinal, const Variant& value) override {
    Current(ordinal, false);
    pending_[ordinal] = value;
  }
  int32_t DefinedSize(int ordinal) override { return Def().definedSizes.at(Column(ordinal, false)); }
  int FieldCount() override { return static_cast<int>(Def().columns.size()) + (expr1_ ? 1 : 0); }
  bool MoveNext() override {
    pending_.clear();
    unstored_ = false;
    if (current_ < rows_.size()) ++current_;
    return current_ < rows_.size();
  }
  void Close() override {
    Check();
    if (unstored_) {
      for (const auto& c : pending_) {
        if (db_.failingUpdates.contains({table_, c.first})) {
          throw RuntimeError(-2147217887, "Injected failure writing column " + std::to_string(c.first));
        }
      }
      db::ThrowRowNotFound();
    }
    closed_ = true;
    db_.calls.push_back("close " + table_);
  }

 private:
  MemoryTable& Def() { return db_.tables.at(table_); }
  void Check() const {
    if (closed_) throw RuntimeError(3704, "Operation is not allowed when the object is closed.");
  }
  std::size_t Column(int ordinal, bool withExpr1) {
    const int columns = static_cast<int>(Def().columns.size()) + (withExpr1 ? 1 : 0);
    if (ordinal < 0 || ordinal >= columns) throw StandardError(errors::kSubscriptOutOfRange);
    return static_cast<std::size_t>(ordinal);
  }
  Entry& Current(int ordinal, bool withExpr1) {
    Check();
    if (current_ >= rows_.size()) throw StandardError(errors::kNoCurrentRecord);
    Column(ordinal, withExpr1);
    return rows_[current_];
  }

  MemoryDatabase& db_;
  std::string table_;
  bool expr1_;
  bool broken_;
  std::vector<Entry> rows_;
  std::size_t current_ = 0;
  bool closed_ = false;
  std::map<int, Variant> pending_;
  bool unstored_ = false;  // a change that could not be stored is pending
};

class MemoryConnection : public Connection {
 public:
  explicit MemoryConnection(MemoryDatabase& db) : db_(db) {}
  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override {
    const ParsedQuery q = Parse(query, db_.tables);
    const auto broken = db_.brokenQueries.find(query);
    if (broken != db_.brokenQueries.end()) error_ = broken->second;
    return std::make_unique<MemoryRecordset>(db_, q, broken != db_.brokenQueries.end());
  }
  void Execute(const std::string& statement) override {
    throw RuntimeError(-1, "The memory database runs no statements: " + statement);
  }
  std::string LastErrorDescription() override { return error_; }

 private:
  MemoryDatabase& db_;
  std::string error_;  // the description given with the last broken query opened
};

}  // namespace

std::map<std::string, MemoryTable> SchemaTables(db::SchemaDialect dialect) {
  std::map<std::string, MemoryTable> tables;
  const std::regex create(R"(CREATE TABLE (?:IF NOT EXISTS )?(\w+) \(([\s\S]*)\)$)");
  const std::regex column(R"((\w+) ([\w()]+)[^\n]*)");
  const std::regex index(R"(CREATE INDEX (?:IF NOT EXISTS )?\w+ ON (\w+) \((\w+)\)$)");
  for (const std::string& statement : db::SchemaStatements(db::SchemaText(dialect))) {
    std::smatch m;
    if (std::regex_search(statement, m, index)) tables[m[1]].indexedColumn = m[2];
    if (!std::regex_search(statement, m, create)) continue;
    MemoryTable& table = tables[m[1]];
    const std::string body = m[2];
    for (std::sregex_iterator c(body.begin(), body.end(), column), end; c != end; ++c) {
      table.columns.push_back((*c)[1]);
      table.definedSizes.push_back(db::DefinedSizeOfDeclaredType((*c)[2]));
    }
  }
  return tables;
}

MemoryDatabase::MemoryDatabase() : tables(SchemaTables(db::SchemaDialect::Sqlite)) {}

std::unique_ptr<Connection> MemoryDatabase::Open(const std::string&) {
  return std::make_unique<MemoryConnection>(*this);
}

Row& MemoryDatabase::AddRow(const std::string& table, const Variant& key) {
  MemoryTable& t = tables.at(table);
  t.rows.push_back(std::make_shared<Row>(t.columns.size(), Variant::Null()));
  t.rows.back()->front() = key;
  return *t.rows.back();
}

std::vector<Row> MemoryDatabase::RowsOf(const std::string& table, const std::string& key) {
  std::vector<Row> result;
  for (const auto& row : tables.at(table).rows) {
    if ((*row)[0] == Variant(key)) result.push_back(*row);
  }
  return result;
}

}  // namespace korvane::test

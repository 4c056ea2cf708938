#include "tests/inventory/memory_db.h"

#include <algorithm>
#include <cctype>

#include "platform/runtime_error.h"

namespace korvane::inventory_test {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct ParsedQuery {
  std::string table;
  bool filtered = false;
  std::string key;
};

ParsedQuery Parse(const std::string& query) {
  ParsedQuery q;
  const std::string lower = Lower(query);
  const std::size_t from = lower.find(" from ");
  if (from == std::string::npos) throw RuntimeError(-1, "Syntax error in query: " + query);
  const std::size_t start = from + 6;
  const std::size_t end = query.find(' ', start);
  q.table = query.substr(start, end == std::string::npos ? std::string::npos : end - start);
  std::size_t quote = query.find("= N'");
  quote = quote == std::string::npos ? query.find("= '") : quote + 1;
  if (quote == std::string::npos) return q;
  q.filtered = true;
  for (std::size_t i = quote + 3; i < query.size(); ++i) {
    if (query[i] == '\'') {
      if (i + 1 < query.size() && query[i + 1] == '\'') {
        q.key += '\'';
        ++i;
        continue;
      }
      break;
    }
    q.key += query[i];
  }
  return q;
}

class MemoryRecordset : public Recordset {
 public:
  MemoryRecordset(MemoryDatabase& db, std::string table, std::vector<std::shared_ptr<Row>> rows,
                  bool broken)
      : db_(db), table_(std::move(table)), rows_(std::move(rows)), broken_(broken) {}

  int32_t RecordCount() override {
    return broken_ ? -1 : static_cast<int32_t>(rows_.size());
  }
  void AddNew(const Variant& key) override {
    Check();
    auto row = std::make_shared<Row>(static_cast<std::size_t>(Def().columns), Variant::Null());
    (*row)[0] = key;
    Def().rows.push_back(row);
    rows_.push_back(row);
    current_ = rows_.size() - 1;
    db_.calls.push_back("add " + table_);
  }
  void Update(int ordinal, const Variant& value) override {
    Row& row = Current(ordinal);
    if (db_.failingUpdates.contains({table_, ordinal})) {
      throw RuntimeError(-2147217887, "Injected failure writing column " + std::to_string(ordinal));
    }
    for (auto& [o, v] : pending_) row[static_cast<std::size_t>(o)] = v;
    pending_.clear();
    row[static_cast<std::size_t>(ordinal)] = value;
    db_.calls.push_back("update " + table_ + " " + std::to_string(ordinal));
  }
  Variant Field(int ordinal) override {
    Row& row = Current(ordinal);
    if (db_.failingReads.contains({table_, ordinal})) {
      throw RuntimeError(-2147217887, "Injected failure reading column " + std::to_string(ordinal));
    }
    const auto p = pending_.find(ordinal);
    return p != pending_.end() ? p->second : row[static_cast<std::size_t>(ordinal)];
  }
  void SetField(int ordinal, const Variant& value) override {
    Current(ordinal);
    pending_[ordinal] = value;
    db_.calls.push_back("set " + table_ + " " + std::to_string(ordinal));
  }
  int32_t DefinedSize(int ordinal) override {
    const auto s = Def().definedSizes.find(ordinal);
    return s == Def().definedSizes.end() ? 2147483647 : s->second;
  }
  int FieldCount() override { return Def().columns; }
  std::string FieldName(int ordinal) override { return "c" + std::to_string(ordinal); }
  bool MoveNext() override {
    if (current_ < rows_.size()) ++current_;
    return current_ < rows_.size();
  }
  void Close() override {
    Check();
    closed_ = true;
    db_.calls.push_back("close " + table_);
  }

 private:
  MemoryTable& Def() { return db_.tables.at(table_); }
  void Check() {
    if (closed_) throw RuntimeError(3704, "Operation is not allowed when the object is closed.");
  }
  Row& Current(int ordinal) {
    Check();
    if (current_ >= rows_.size()) throw StandardError(errors::kNoCurrentRecord);
    if (ordinal < 0 || ordinal >= Def().columns) throw StandardError(errors::kSubscriptOutOfRange);
    return *rows_[current_];
  }

  MemoryDatabase& db_;
  std::string table_;
  std::vector<std::shared_ptr<Row>> rows_;
  bool broken_;
  std::size_t current_ = 0;
  bool closed_ = false;
  std::map<int, Variant> pending_;
};

class MemoryConnection : public Connection {
 public:
  explicit MemoryConnection(MemoryDatabase& db) : db_(db) {}
  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override {
    db_.calls.push_back("open " + query);
    const ParsedQuery q = Parse(query);
    const auto t = db_.tables.find(q.table);
    if (t == db_.tables.end()) throw RuntimeError(-1, "Invalid object name '" + q.table + "'.");
    std::vector<std::shared_ptr<Row>> rows;
    for (const auto& row : t->second.rows) {
      // Keys compare without regard to letter case, as the server's collation does.
      if (!q.filtered || Lower((*row)[0].text()) == Lower(q.key)) rows.push_back(row);
    }
    return std::make_unique<MemoryRecordset>(db_, q.table, std::move(rows),
                                             db_.brokenQueries.contains(query));
  }
  void Execute(const std::string&) override {}
  std::string LastErrorDescription() override { return db_.lastError; }

 private:
  MemoryDatabase& db_;
};

}  // namespace

MemoryDatabase::MemoryDatabase() {
  tables["Asset"] = {"Computer", 93, {}, {}};
  tables["Software"] = {"SoftComputer", 2, {}, {}};
  tables["Services"] = {"ServComputer", 2, {}, {}};
  tables["LastAccess"] = {"Computer", 2, {}, {}};
  tables["DriveHistory"] = {"DiskComputer", 3, {{1, 4000}}, {}};
}

std::unique_ptr<Connection> MemoryDatabase::Open(const std::string&) {
  return std::make_unique<MemoryConnection>(*this);
}

Row& MemoryDatabase::AddRow(const std::string& table, const std::string& key) {
  MemoryTable& t = tables.at(table);
  auto row = std::make_shared<Row>(static_cast<std::size_t>(t.columns), Variant::Null());
  (*row)[0] = Variant(key);
  t.rows.push_back(row);
  return *row;
}

std::vector<Row> MemoryDatabase::RowsOf(const std::string& table, const std::string& key) {
  std::vector<Row> result;
  for (const auto& row : tables.at(table).rows) {
    if ((*row)[0] == Variant(key)) result.push_back(*row);
  }
  return result;
}

LocalTime SteppingClock::Now() {
  const LocalTime now = next;
  next.second += 1;
  if (next.second == 60) {
    next.second = 0;
    next.minute += 1;
  }
  return now;
}

}  // namespace korvane::inventory_test

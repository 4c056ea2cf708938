#include "platform/db/client_recordset.h"

#include <cctype>
#include <limits>
#include <map>
#include <optional>

#include "platform/db/sql_text.h"
#include "platform/runtime_error.h"
#include "platform/storable_text.h"

namespace korvane::db {

namespace {

constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kObjectClosed = 3704;
constexpr int32_t kNotUpdatable = 3251;
constexpr int32_t kNotAllowedInContext = 3219;

RuntimeError ItemNotFound() {
  return RuntimeError(kItemNotFound,
                      "Item cannot be found in the collection corresponding to the requested "
                      "name or ordinal.");
}

class ClientRecordset : public Recordset {
 public:
  ClientRecordset(std::shared_ptr<Engine> engine, std::shared_ptr<ErrorState> errors)
      : engine_(std::move(engine)), errors_(std::move(errors)) {}

  void Open(const std::string& query) {
    query_ = engine_->AdaptQuery(query);
    if (auto whole = WholeTableName(query_)) {
      table_ = *whole;
      columns_ = engine_->Describe(*whole);
      lazy_ = true;
      // A count that cannot be had is the failed open the callers test for.
      try {
        count_ = static_cast<int32_t>(engine_->CountRows(*whole));
      } catch (const RuntimeError& e) {
        errors_->lastDescription = e.description();
        count_ = -1;
      }
      return;
    }
    table_ = TableOfQuery(query_);
    Load();
  }

  int32_t RecordCount() override {
    RequireOpen();
    return count_;
  }

  void AddNew(const Variant& key) override {
    RequireOpen();
    if (!table_ || columns_.empty()) throw NotUpdatable();
    FetchedRow row;
    row.locator = engine_->Insert(*table_, columns_[0].name, key);
    row.values.assign(columns_.size(), Variant::Null());
    row.values[0] = key;
    // A lazily opened table keeps its unread rows unread: the new row stands alone.
    lazy_ = false;
    rows_.push_back(std::move(row));
    current_ = rows_.size() - 1;
    pending_.clear();
    unstored_.reset();
    ++count_;
  }

  void Update(int ordinal, const Variant& value) override {
    FetchedRow& row = CurrentRow();
    CheckOrdinal(ordinal);
    if (!table_) throw NotUpdatable();
    pending_[ordinal] = value;
    // Compared and remembered as the backend stores them, so that the next change
    // compares with what the row then holds.
    ColumnChanges changes;
    for (const auto& [column, set] : pending_) {
      const Variant stored = StoredForm(set);
      if (!HoldsAlready(row.values[static_cast<std::size_t>(column)], stored)) changes.emplace_back(column, stored);
    }
    // Writing what the row holds already would change nothing but its version: most
    // columns of a rescanned computer are written with the values they have.
    if (changes.empty()) {
      pending_.clear();
      unstored_.reset();
      return;
    }
    // A change that could not be stored stays pending, as an edit in progress: the
    // next Update tries it again with its own column, and Close reports it.
    try {
      row.locator = engine_->UpdateRow(*table_, columns_, row.values, row.locator, changes);
    } catch (const RuntimeError& e) {
      unstored_ = e;
      throw;
    }
    pending_.clear();
    unstored_.reset();
    for (const auto& [column, stored] : changes) row.values[static_cast<std::size_t>(column)] = stored;
  }

  Variant Field(int ordinal) override {
    FetchedRow& row = CurrentRow();
    CheckOrdinal(ordinal);
    if (auto it = pending_.find(ordinal); it != pending_.end()) return it->second;
    return row.values[static_cast<std::size_t>(ordinal)];
  }

  void SetField(int ordinal, const Variant& value) override {
    CurrentRow();
    CheckOrdinal(ordinal);
    pending_[ordinal] = value;
  }

  int32_t DefinedSize(int ordinal) override {
    RequireOpen();
    CheckOrdinal(ordinal);
    return columns_[static_cast<std::size_t>(ordinal)].definedSize;
  }

  int FieldCount() override {
    RequireOpen();
    return static_cast<int>(columns_.size());
  }

  bool MoveNext() override {
    RequireOpen();
    EnsureLoaded();
    // Changes set but not stored do not follow the cursor.
    pending_.clear();
    unstored_.reset();
    if (current_ < rows_.size()) ++current_;
    return current_ < rows_.size();
  }

  // Closing with changes that were never stored fails, so that a caller learns that
  // part of its writes are missing (a row that changed since it was read).
  void Close() override {
    RequireOpen();
    if (unstored_) throw *unstored_;
    if (!pending_.empty()) throw NotAllowedInContext();
    open_ = false;
    rows_.clear();
  }

 private:
  static RuntimeError NotUpdatable() {
    return RuntimeError(kNotUpdatable,
                        "Current Recordset does not support updating. This may be a limitation "
                        "of the provider, or of the selected locktype.");
  }

  static RuntimeError NotAllowedInContext() {
    return RuntimeError(kNotAllowedInContext, "Operation is not allowed in this context.");
  }

  void RequireOpen() const {
    if (!open_) throw RuntimeError(kObjectClosed, "Operation is not allowed when the object is closed.");
  }

  void CheckOrdinal(int ordinal) const {
    if (ordinal < 0 || static_cast<std::size_t>(ordinal) >= columns_.size()) throw ItemNotFound();
  }

  void Load() {
    FetchResult result;
    bool located = table_.has_value();
    if (located) {
      try {
        result = engine_->Fetch(query_, true);
      } catch (const RuntimeError&) {
        // Some queries cannot carry the locator (grouping, DISTINCT): read them as they
        // are; their rows cannot be written back.
        located = false;
      }
    }
    if (!located) {
      result = engine_->Fetch(query_, false);
      table_.reset();
    }
    columns_ = std::move(result.columns);
    rows_ = std::move(result.rows);
    count_ = static_cast<int32_t>(rows_.size());
    current_ = 0;
  }

  void EnsureLoaded() {
    if (!lazy_) return;
    lazy_ = false;
    const auto table = table_;
    Load();
    if (!table_) table_ = table;
  }

  FetchedRow& CurrentRow() {
    RequireOpen();
    EnsureLoaded();
    if (current_ >= rows_.size()) throw StandardError(errors::kNoCurrentRecord);
    return rows_[current_];
  }

  std::shared_ptr<Engine> engine_;
  std::shared_ptr<ErrorState> errors_;
  std::string query_;
  std::optional<std::string> table_;
  std::vector<ColumnInfo> columns_;
  std::vector<FetchedRow> rows_;
  std::size_t current_ = 0;
  std::map<int, Variant> pending_;
  std::optional<RuntimeError> unstored_;  // why the pending changes could not be stored
  int32_t count_ = 0;
  bool lazy_ = false;
  bool open_ = true;
};

}  // namespace

EngineConnection::EngineConnection(std::shared_ptr<Engine> engine)
    : engine_(std::move(engine)), errors_(std::make_shared<ErrorState>()) {}

std::unique_ptr<Recordset> EngineConnection::OpenRecordset(const std::string& query) {
  auto recordset = std::make_unique<ClientRecordset>(engine_, errors_);
  recordset->Open(query);
  return recordset;
}

void EngineConnection::Execute(const std::string& statement) { engine_->Execute(statement); }

std::string EngineConnection::LastErrorDescription() { return errors_->lastDescription; }

std::unique_ptr<Connection> EngineConnection::Share() {
  return std::make_unique<EngineConnection>(engine_);
}

bool EngineConnection::Broken() { return engine_->Broken(); }

void EngineConnection::BeginTrans() { engine_->BeginTransaction(); }

void EngineConnection::CommitTrans() { engine_->CommitTransaction(); }

void ThrowRowNotFound() {
  throw RuntimeError(kProviderError,
                     "Row cannot be located for updating. Some values may have been changed "
                     "since it was last read.");
}

bool HoldsAlready(const Variant& stored, const Variant& value) {
  const auto none = [](const Variant& v) { return v.IsNull() || v.IsEmpty(); };
  if (none(stored) || none(value)) return none(stored) && none(value);
  const auto numeric = [](const Variant& v) {
    return v.kind() == Variant::Kind::Long || v.kind() == Variant::Kind::Double;
  };
  const auto number = [](const Variant& v) {
    return v.kind() == Variant::Kind::Long ? static_cast<double>(v.long_value()) : v.double_value();
  };
  if (numeric(stored) && numeric(value)) return number(stored) == number(value);
  return stored == value;
}

Variant IntegerValue(int64_t n) {
  if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
    return Variant(static_cast<int32_t>(n));
  }
  return Variant(static_cast<double>(n));
}

Variant StoredForm(const Variant& value) {
  if (value.IsEmpty()) return Variant::Null();
  if (value.kind() == Variant::Kind::Text) return Variant(StorableText(value.text()));
  return value;
}

int32_t DefinedSizeOfDeclaredType(const std::string& declaredType) {
  std::string upper;
  for (char c : declaredType) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::size_t open = upper.find('(');
  if (open != std::string::npos) {
    const std::size_t close = upper.find(')', open);
    const std::string inside = upper.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    if (inside.find("MAX") != std::string::npos) return kUnboundedSize;
    int64_t n = 0;
    bool digits = false;
    for (char c : inside) {
      if (c < '0' || c > '9') break;
      digits = true;
      n = n * 10 + (c - '0');
      if (n > kUnboundedSize) return kUnboundedSize;
    }
    if (digits && upper.find("CHAR") != std::string::npos) return static_cast<int32_t>(n);
  }
  if (upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos ||
      upper.find("CLOB") != std::string::npos || upper.empty()) {
    return kUnboundedSize;
  }
  if (upper.find("BIGINT") != std::string::npos) return 8;
  if (upper.find("INT") != std::string::npos) return 4;
  if (upper.find("REAL") != std::string::npos || upper.find("FLOA") != std::string::npos ||
      upper.find("DOUB") != std::string::npos) {
    return 8;
  }
  return kUnboundedSize;
}

}  // namespace korvane::db

#include "platform/db/sqlite_engine.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <random>
#include <optional>

#include "platform/db/case_fold.h"
#include "platform/db/client_recordset.h"
#include "platform/db/engine.h"
#include "platform/db/row_locator.h"
#include "platform/db/sql_text.h"
#include "platform/runtime_error.h"
#include "platform/storable_text.h"

namespace korvane::db {

namespace {

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK) {
      Fail();
    }
    if (stmt_ == nullptr) throw RuntimeError(kProviderError, "Command text was not set for the command object.");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail();
  }

  void Bind(int index, const Param& param) {
    const Variant& value = param.value;
    int rc = SQLITE_OK;
    if (param.exact && value.kind() == Variant::Kind::Text) {
      // The bytes as read, to compare with a column's bytes.
      rc = sqlite3_bind_blob64(stmt_, index, value.text().data(), value.text().size(), SQLITE_TRANSIENT);
      if (rc != SQLITE_OK) Fail();
      return;
    }
    switch (value.kind()) {
      case Variant::Kind::Empty:
      case Variant::Kind::Null: rc = sqlite3_bind_null(stmt_, index); break;
      case Variant::Kind::Text: {
        const std::string text = StorableText(value.text());
        rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      }
      case Variant::Kind::Long: rc = sqlite3_bind_int(stmt_, index, value.long_value()); break;
      case Variant::Kind::Double: rc = sqlite3_bind_double(stmt_, index, value.double_value()); break;
      case Variant::Kind::Bool: rc = sqlite3_bind_int(stmt_, index, value.bool_value() ? 1 : 0); break;
    }
    if (rc != SQLITE_OK) Fail();
  }

  Variant Column(int i) const {
    switch (sqlite3_column_type(stmt_, i)) {
      case SQLITE_NULL: return Variant::Null();
      case SQLITE_INTEGER: return IntegerValue(sqlite3_column_int64(stmt_, i));
      case SQLITE_FLOAT: return Variant(sqlite3_column_double(stmt_, i));
      default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        const int bytes = sqlite3_column_bytes(stmt_, i);
        return Variant(std::string(text == nullptr ? "" : text, static_cast<std::size_t>(bytes)));
      }
    }
  }

  std::vector<ColumnInfo> Columns(int count) const {
    std::vector<ColumnInfo> columns;
    for (int i = 0; i < count; ++i) {
      ColumnInfo c;
      const char* name = sqlite3_column_name(stmt_, i);
      const char* declared = sqlite3_column_decltype(stmt_, i);
      c.name = name == nullptr ? "" : name;
      c.definedSize = DefinedSizeOfDeclaredType(declared == nullptr ? "" : declared);
      columns.push_back(std::move(c));
    }
    return columns;
  }

  int ColumnCount() const { return sqlite3_column_count(stmt_); }

 private:
  [[noreturn]] void Fail() const { throw RuntimeError(kProviderError, sqlite3_errmsg(db_)); }

  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

std::string Quoted(const std::string& name) { return QuotedIdentifier(name, "\""); }

// A table name as the query wrote it, without the quotes SQLite accepts around it.
std::string UnquotedName(const std::string& name) {
  if (name.size() >= 2 && (name.front() == '"' || name.front() == '[' || name.front() == '`')) {
    return name.substr(1, name.size() - 2);
  }
  return name;
}

void FoldFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(context);
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const std::string folded =
      FoldKey(std::string_view(text == nullptr ? "" : text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))));
  sqlite3_result_text64(context, folded.data(), folded.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// NOCASE, which the key columns and their indexes use, folds only A to Z. A key literal
// with other letters is compared through korvane_fold instead, and the NOCASE index
// still narrows the search to one range: a matching key starts with the literal's
// leading ASCII characters (in any case) followed by a byte of 80 or above (a character
// outside ASCII in UTF-8, or in the code page of a key an earlier version stored), and
// lies below those characters followed by the bytes FF FF. Several matching rows come
// in the order they were added, as an index lookup of an ASCII name returns them.
std::string CaseInsensitiveKey(const std::string& query) {
  const std::optional<KeyComparison> key = FindKeyComparison(query);
  if (!key) return query;
  const std::string folded = FoldKey(key->value);
  std::size_t ascii = 0;
  while (ascii < folded.size() && static_cast<unsigned char>(folded[ascii]) < 0x80) ++ascii;
  if (ascii == folded.size()) return query;  // NOCASE compares it exactly
  const std::string& column = key->column;
  const std::string prefix = folded.substr(0, ascii);
  const std::string condition = "(" + column + " >= " + TextLiteral(prefix) + " || CAST(X'80' AS TEXT) AND " +
                                column + " < " + TextLiteral(prefix) + " || CAST(X'FFFF' AS TEXT) AND " +
                                kFoldFunctionName + "(" + column + ") = " + TextLiteral(folded) + ")";
  std::string rewritten = query.substr(0, key->begin) + condition + query.substr(key->end);
  while (!rewritten.empty() && (rewritten.back() == ';' || rewritten.back() == ' ')) rewritten.pop_back();
  return rewritten + " ORDER BY _rowid_";
}

class SqliteEngine : public Engine {
 public:
  // `readOnly`: for readers that may not write the file or its directory; the file's
  // mode is left as it is.
  SqliteEngine(const std::string& path, bool create, bool readOnly = false) {
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
      const std::string message = db_ == nullptr ? sqlite3_errstr(rc) : sqlite3_errmsg(db_);
      sqlite3_close(db_);
      db_ = nullptr;
      throw RuntimeError(kProviderError, message + ": " + path);
    }
    try {
      sqlite3_busy_timeout(db_, kSqliteBusyTimeoutMs);
      if (sqlite3_create_function_v2(db_, kFoldFunctionName, 1,
                                     SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                     &FoldFunction, nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw RuntimeError(kProviderError, sqlite3_errmsg(db_));
      }
      if (readOnly) {
        // A WAL file that cannot be shared with others shows here, not at the first query.
        Statement probe(db_, "SELECT count(*) FROM sqlite_master");
        probe.Step();
        return;
      }
      // WAL lets the scanners' readers run beside one writer; a file left in another mode
      // is switched once, and the mode stays with the file.
      bool wal = false;
      {
        Statement mode(db_, "PRAGMA journal_mode");
        wal = mode.Step() && mode.Column(0) == Variant("wal");
      }
      if (!wal) {
        Statement change(db_, "PRAGMA journal_mode=WAL");
        while (change.Step()) {
        }
      }
      // Each column update is its own transaction; NORMAL syncs at checkpoints rather
      // than on every commit (WAL keeps the file consistent across a power loss; only
      // the last moments' writes can be lost, and the next scan rewrites them).
      Execute("PRAGMA synchronous=NORMAL");
    } catch (...) {
      sqlite3_close(db_);
      db_ = nullptr;
      throw;
    }
  }
  ~SqliteEngine() override {
    sqlite3_close(db_);
    std::error_code ignored;
    if (!copyDirectory_.empty()) std::filesystem::remove_all(copyDirectory_, ignored);
  }
  // The engine works on a private copy in this directory, removed with it.
  void OwnCopy(std::string directory) { copyDirectory_ = std::move(directory); }
  SqliteEngine(const SqliteEngine&) = delete;
  SqliteEngine& operator=(const SqliteEngine&) = delete;

  std::string AdaptQuery(const std::string& query) override {
    return CaseInsensitiveKey(StorableText(RemoveNationalPrefix(query)));
  }

  FetchResult Fetch(const std::string& query, bool withLocator) override {
    std::string text = query;
    if (withLocator) {
      auto located = AppendToSelectList(query, locator_->LocatorColumn());
      if (!located) throw RuntimeError(kProviderError, "query has no FROM clause");
      text = *located;
    }
    Statement stmt(db_, text);
    const int total = stmt.ColumnCount();
    const int visible = withLocator ? total - 1 : total;
    FetchResult result;
    result.columns = stmt.Columns(visible);
    while (stmt.Step()) {
      FetchedRow row;
      row.values.reserve(static_cast<std::size_t>(visible));
      for (int i = 0; i < visible; ++i) row.values.push_back(stmt.Column(i));
      if (withLocator) {
        const Variant id = stmt.Column(visible);
        if (id.kind() != Variant::Kind::Long && id.kind() != Variant::Kind::Double) {
          throw RuntimeError(kProviderError, "row has no rowid");
        }
        row.locator = id.kind() == Variant::Kind::Long
                          ? std::to_string(id.long_value())
                          : std::to_string(static_cast<int64_t>(id.double_value()));
      }
      result.rows.push_back(std::move(row));
    }
    return result;
  }

  std::vector<ColumnInfo> Describe(const std::string& table) override {
    Statement stmt(db_, "SELECT * FROM " + table);
    return stmt.Columns(stmt.ColumnCount());
  }

  int64_t CountRows(const std::string& table) override {
    // Counting through an index reads far fewer pages than the table's own rows; the
    // planner does not always see that for tables of few, long columns.
    std::string source = table;
    {
      Statement indexes(db_, "SELECT name FROM pragma_index_list(?) WHERE partial = 0");
      indexes.Bind(1, {Variant(UnquotedName(table))});
      if (indexes.Step()) {
        const Variant name = indexes.Column(0);
        if (name.kind() == Variant::Kind::Text) source += " INDEXED BY " + Quoted(name.text());
      }
    }
    Statement stmt(db_, "SELECT COUNT(*) FROM " + source);
    if (!stmt.Step()) return 0;
    const Variant n = stmt.Column(0);
    return n.kind() == Variant::Kind::Long ? n.long_value() : static_cast<int64_t>(n.double_value());
  }

  std::string Insert(const std::string& table, const std::string& keyColumn,
                     const Variant& key) override {
    Statement stmt(db_, "INSERT INTO " + table + " (" + Quoted(keyColumn) + ") VALUES (?)");
    stmt.Bind(1, {key});
    stmt.Step();
    return std::to_string(sqlite3_last_insert_rowid(db_));
  }

  // Optimistic by the key and the changed columns (row_locator.h).
  std::string UpdateRow(const std::string& table, const std::vector<ColumnInfo>& columns,
                        const std::vector<Variant>& original, const std::string& locator,
                        const ColumnChanges& changes) override {
    for (const LocatedStatement& located : locator_->Updates({table, columns, original, locator, changes})) {
      Statement stmt(db_, located.sql);
      int index = 1;
      for (const Param& p : located.params) stmt.Bind(index++, p);
      stmt.Step();
      if (sqlite3_changes(db_) > 0) return locator;
    }
    ThrowRowNotFound();
  }

  void Execute(const std::string& statement) override {
    Statement stmt(db_, AdaptQuery(statement));
    while (stmt.Step()) {
    }
  }

  // IMMEDIATE takes the file's write lock at once, so the transaction never has to
  // upgrade a read to a write that another writer could refuse.
  void BeginTransaction() override {
    if (sqlite3_get_autocommit(db_) != 0) Execute("BEGIN IMMEDIATE");
  }

  void CommitTransaction() override {
    if (sqlite3_get_autocommit(db_) == 0) Execute("COMMIT");
  }

 private:
  sqlite3* db_ = nullptr;
  std::unique_ptr<RowLocator> locator_ = RowidLocator();
  std::string copyDirectory_;
};

}  // namespace

std::unique_ptr<Connection> OpenSqliteConnection(const std::string& path, bool create) {
  return std::make_unique<EngineConnection>(std::make_shared<SqliteEngine>(path, create));
}

std::unique_ptr<Connection> OpenSqliteForReading(const std::string& path) {
  namespace fs = std::filesystem;
  try {
    return std::make_unique<EngineConnection>(std::make_shared<SqliteEngine>(path, false, true));
  } catch (const RuntimeError&) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) throw;
    // A WAL file whose shared-memory file is missing and cannot be made (a read-only
    // mount, a directory of someone else's) is read through a private copy of the
    // database and its WAL, which SQLite recovers as it opens the copy.
    const fs::path copy = fs::temp_directory_path(error) /
                          ("korvane-read-" + std::to_string(std::random_device{}()) + std::to_string(std::random_device{}()));
    if (error || !fs::create_directory(copy, error)) throw;
    try {
      fs::copy_file(path, copy / fs::path(path).filename());
      if (fs::exists(path + "-wal", error)) fs::copy_file(path + "-wal", copy / (fs::path(path).filename().string() + "-wal"));
      auto engine = std::make_shared<SqliteEngine>((copy / fs::path(path).filename()).string(), false);
      engine->OwnCopy(copy.string());
      return std::make_unique<EngineConnection>(engine);
    } catch (const std::exception&) {
      fs::remove_all(copy, error);
      throw;
    }
  }
}

}  // namespace korvane::db

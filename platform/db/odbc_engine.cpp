#include "platform/db/odbc_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "platform/db/client_recordset.h"
#include "platform/db/engine.h"
#include "platform/db/odbc_support.h"
#include "platform/db/row_locator.h"
#include "platform/db/sql_text.h"
#include "platform/runtime_error.h"
#include "platform/storable_text.h"

namespace korvane::db {

namespace {

using odbc::Check;
using odbc::Handle;
using odbc::Succeeded;
using odbc::Wide;
using odbc::WideString;

enum class Reading { Long, BigInt, Double, Text };

// Longer texts are sent as long text so that drivers do not cut them.
constexpr std::size_t kLongTextThreshold = 4000;

struct ResultColumn {
  ColumnInfo info;
  Reading reading = Reading::Text;
};

bool IsLongType(SQLSMALLINT type) {
  return type == SQL_LONGVARCHAR || type == SQL_WLONGVARCHAR || type == SQL_LONGVARBINARY;
}

std::string Lower(const std::string& text) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool NamesBoundedText(const std::string& typeName) { return Lower(typeName).find("char") != std::string::npos; }

// The large-object types of old that a WHERE clause cannot compare (SQL Server's text,
// ntext and image); long text of other types (nvarchar(max), PostgreSQL's text) can be.
bool NamesLegacyLargeObject(const std::string& typeName) {
  const std::string lower = Lower(typeName);
  return lower == "text" || lower == "ntext" || lower == "image";
}

// `typeName` is the engine's own name of the type: some drivers report a long VARCHAR(n)
// as long text, with its declared size.
ResultColumn DescribeColumn(SQLSMALLINT type, SQLULEN size, const std::string& typeName,
                            std::string name) {
  ResultColumn c;
  c.info.name = std::move(name);
  switch (type) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIT:
      c.reading = Reading::Long;
      c.info.definedSize = 4;
      break;
    case SQL_BIGINT:
      c.reading = Reading::BigInt;
      c.info.definedSize = 8;
      break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_REAL:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      c.reading = Reading::Double;
      c.info.definedSize = 8;
      // Floating-point equality after a round trip through a driver is not to be
      // trusted to find a row.
      c.info.comparable = false;
      break;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY:
      c.info.definedSize = NamesBoundedText(typeName) && size > 0 &&
                                   size < static_cast<SQLULEN>(kUnboundedSize)
                               ? static_cast<int32_t>(size)
                               : kUnboundedSize;
      c.info.comparable = !NamesLegacyLargeObject(typeName);
      break;
    default:
      c.info.definedSize = size == 0 || size >= static_cast<SQLULEN>(kUnboundedSize)
                               ? kUnboundedSize
                               : static_cast<int32_t>(size);
      break;
  }
  return c;
}

// A statement handle with its bound parameters, which must outlive the execution.
class Statement {
 public:
  explicit Statement(SQLHDBC dbc) : handle_(SQL_HANDLE_STMT, dbc) {}

  void Bind(const db::Param& param) {
    const Variant& value = param.value;
    Param& p = params_.emplace_back();
    const auto number = static_cast<SQLUSMALLINT>(params_.size());
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN size = 1;
    SQLPOINTER data = nullptr;
    SQLLEN bytes = 0;
    switch (value.kind()) {
      case Variant::Kind::Empty:
      case Variant::Kind::Null: p.indicator = SQL_NULL_DATA; break;
      case Variant::Kind::Text:
        // An exact text is compared with what was read, so it goes as it was read.
        p.text = Wide(param.exact ? value.text() : StorableText(value.text()));
        size = std::max<SQLULEN>(p.text.size(), 1);
        if (p.text.size() > kLongTextThreshold) sqlType = SQL_WLONGVARCHAR;
        data = p.text.data();
        bytes = static_cast<SQLLEN>(p.text.size() * sizeof(SQLWCHAR));
        p.indicator = bytes;
        break;
      case Variant::Kind::Long:
      case Variant::Kind::Bool:
        p.number = value.kind() == Variant::Kind::Long ? value.long_value() : (value.bool_value() ? 1 : 0);
        cType = SQL_C_SLONG;
        sqlType = SQL_INTEGER;
        data = &p.number;
        break;
      case Variant::Kind::Double:
        p.real = value.double_value();
        cType = SQL_C_DOUBLE;
        sqlType = SQL_DOUBLE;
        data = &p.real;
        break;
    }
    Check(SQLBindParameter(handle_.get(), number, SQL_PARAM_INPUT, cType, sqlType, size, 0, data,
                           bytes, &p.indicator),
          SQL_HANDLE_STMT, handle_.get(), "Unable to bind a parameter");
  }

  // Runs the statement; false when it affected or returned nothing (SQL_NO_DATA).
  bool Run(const std::string& sql) {
    WideString text = Wide(StorableText(sql));
    const SQLRETURN rc = SQLExecDirectW(handle_.get(), text.data(), static_cast<SQLINTEGER>(text.size()));
    if (rc == SQL_NO_DATA) return false;
    Check(rc, SQL_HANDLE_STMT, handle_.get(), "The statement failed");
    return true;
  }

  // Only what the result itself says is asked for: psqlODBC answers a column's SQL type
  // or nullability as SQLDescribeCol outputs, its concise type and its type name with a
  // catalog query per table (a round trip on a cold server process, once per table and
  // connection), whereas SQL_DESC_TYPE and the local type name come from the result.
  // `baseNames`: also ask for each column's base column, which costs that query too;
  // only the row finding by values needs it.
  std::vector<ResultColumn> Columns(bool baseNames) {
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(handle_.get(), &count), SQL_HANDLE_STMT, handle_.get(),
          "Unable to read the result columns");
    std::vector<ResultColumn> columns;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
      const auto column = static_cast<SQLUSMALLINT>(i);
      SQLWCHAR name[256];
      SQLSMALLINT nameLength = 0;
      SQLULEN size = 0;
      SQLSMALLINT digits = 0;
      Check(SQLDescribeColW(handle_.get(), column, name,
                            static_cast<SQLSMALLINT>(sizeof name / sizeof name[0]), &nameLength,
                            nullptr, &size, &digits, nullptr),
            SQL_HANDLE_STMT, handle_.get(), "Unable to describe a result column");
      const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)),
                                                  sizeof name / sizeof name[0] - 1);
      const auto type = static_cast<SQLSMALLINT>(NumberAttribute(column, SQL_DESC_TYPE));
      std::string typeText = TextAttribute(column, SQL_DESC_LOCAL_TYPE_NAME);
      if (typeText.empty() && IsLongType(type)) typeText = TextAttribute(column, SQL_DESC_TYPE_NAME);
      columns.push_back(DescribeColumn(type, size, typeText, odbc::Narrow(name, n)));
      if (baseNames) {
        columns.back().info.baseName = TextAttribute(column, SQL_DESC_BASE_COLUMN_NAME);
      }
    }
    return columns;
  }

  SQLLEN NumberAttribute(SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLLEN value = 0;
    Check(SQLColAttributeW(handle_.get(), column, field, nullptr, 0, nullptr, &value),
          SQL_HANDLE_STMT, handle_.get(), "Unable to describe a result column");
    return value;
  }

  // A text attribute of a result column; empty when the driver does not say.
  std::string TextAttribute(SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLWCHAR text[256];
    SQLSMALLINT bytes = 0;
    if (!Succeeded(SQLColAttributeW(handle_.get(), column, field, text, sizeof text, &bytes, nullptr))) {
      return {};
    }
    const std::size_t n = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<SQLSMALLINT>(bytes, 0)) / sizeof(SQLWCHAR),
        sizeof text / sizeof text[0] - 1);
    return odbc::Narrow(text, n);
  }

  bool Fetch() {
    const SQLRETURN rc = SQLFetch(handle_.get());
    if (rc == SQL_NO_DATA) return false;
    Check(rc, SQL_HANDLE_STMT, handle_.get(), "Unable to fetch a row");
    return true;
  }

  // A fixed-size value of the column; nullopt when it is Null.
  template <class T>
  std::optional<T> ReadFixed(SQLUSMALLINT column, SQLSMALLINT cType) {
    T value{};
    SQLLEN indicator = 0;
    Check(SQLGetData(handle_.get(), column, cType, &value, sizeof value, &indicator),
          SQL_HANDLE_STMT, handle_.get(), "Unable to read a value");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    return value;
  }

  Variant Read(SQLUSMALLINT column, Reading reading) {
    SQLLEN indicator = 0;
    switch (reading) {
      case Reading::Long: {
        const auto n = ReadFixed<SQLINTEGER>(column, SQL_C_SLONG);
        return n ? Variant(static_cast<int32_t>(*n)) : Variant::Null();
      }
      case Reading::BigInt: {
        const auto n = ReadFixed<SQLBIGINT>(column, SQL_C_SBIGINT);
        return n ? IntegerValue(*n) : Variant::Null();
      }
      case Reading::Double: {
        const auto d = ReadFixed<double>(column, SQL_C_DOUBLE);
        return d ? Variant(*d) : Variant::Null();
      }
      case Reading::Text: break;
    }
    // Long texts arrive in pieces; each piece but the last fills the buffer.
    WideString text;
    SQLWCHAR buffer[4096];
    constexpr std::size_t kChars = sizeof buffer / sizeof buffer[0];
    for (;;) {
      const SQLRETURN rc = SQLGetData(handle_.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
      if (rc == SQL_NO_DATA) break;
      Check(rc, SQL_HANDLE_STMT, handle_.get(), "Unable to read a value");
      if (indicator == SQL_NULL_DATA) return Variant::Null();
      const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                        (indicator == SQL_NO_TOTAL ||
                         static_cast<std::size_t>(indicator) >= sizeof buffer);
      if (more) {
        text.append(buffer, kChars - 1);
        continue;
      }
      text.append(buffer, static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR));
      break;
    }
    return Variant(odbc::Narrow(text));
  }

  SQLLEN RowCount() {
    SQLLEN n = 0;
    Check(SQLRowCount(handle_.get(), &n), SQL_HANDLE_STMT, handle_.get(), "Unable to count rows");
    return n;
  }

 private:
  struct Param {
    WideString text;
    SQLINTEGER number = 0;
    double real = 0;
    SQLLEN indicator = 0;
  };
  Handle handle_;
  std::deque<Param> params_;  // stable addresses for the bound buffers
};

class OdbcEngine : public Engine {
 public:
  explicit OdbcEngine(const std::string& connectionString) : dbc_(SQL_HANDLE_DBC, env_.get()) {
    SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(30)), 0);
    WideString text = Wide(connectionString);
    SQLWCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    Check(SQLDriverConnectW(dbc_.get(), nullptr, text.data(), static_cast<SQLSMALLINT>(text.size()),
                            completed, static_cast<SQLSMALLINT>(sizeof completed / sizeof completed[0]),
                            &completedLength, SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc_.get(), "Unable to connect to the data source");
    connected_ = true;
    dbmsName_ = InfoText(SQL_DBMS_NAME);
    quote_ = InfoText(SQL_IDENTIFIER_QUOTE_CHAR);
    if (quote_ == " ") quote_.clear();
    postgres_ = dbmsName_ == "PostgreSQL";
    locator_ = postgres_ ? CtidLocator()
                         : KeyAndValuesLocator(quote_, dbmsName_.find("SQL Server") != std::string::npos);
  }
  ~OdbcEngine() override {
    if (connected_) SQLDisconnect(dbc_.get());
  }
  OdbcEngine(const OdbcEngine&) = delete;
  OdbcEngine& operator=(const OdbcEngine&) = delete;

  const std::string& DbmsName() const { return dbmsName_; }

  std::string AdaptQuery(const std::string& query) override {
    // PostgreSQL parses N'...' but types it bpchar, which compares case-sensitively
    // against a citext key and cannot use the key's index.
    return postgres_ ? RemoveNationalPrefix(query) : query;
  }

  FetchResult Fetch(const std::string& query, bool withLocator) override {
    const bool ctid = withLocator && !locator_->LocatorColumn().empty();
    std::string text = query;
    if (ctid) {
      auto located = AppendToSelectList(query, locator_->LocatorColumn());
      if (!located) throw RuntimeError(kProviderError, "query has no FROM clause");
      text = *located;
    }
    Statement stmt(dbc_.get());
    stmt.Run(text);
    std::vector<ResultColumn> columns = stmt.Columns(locator_->LocatorColumn().empty());
    if (ctid) columns.back().reading = Reading::Text;
    const std::size_t visible = ctid ? columns.size() - 1 : columns.size();
    FetchResult result;
    for (std::size_t i = 0; i < visible; ++i) result.columns.push_back(columns[i].info);
    while (stmt.Fetch()) {
      FetchedRow row;
      row.values.reserve(visible);
      for (std::size_t i = 0; i < visible; ++i) {
        row.values.push_back(stmt.Read(static_cast<SQLUSMALLINT>(i + 1), columns[i].reading));
      }
      if (ctid) row.locator = LocatorText(stmt.Read(static_cast<SQLUSMALLINT>(visible + 1), Reading::Text));
      result.rows.push_back(std::move(row));
    }
    return result;
  }

  std::vector<ColumnInfo> Describe(const std::string& table) override {
    Statement stmt(dbc_.get());
    stmt.Run("SELECT * FROM " + table + " WHERE 1=0");
    std::vector<ColumnInfo> columns;
    for (auto& c : stmt.Columns(locator_->LocatorColumn().empty())) columns.push_back(c.info);
    return columns;
  }

  int64_t CountRows(const std::string& table) override {
    Statement stmt(dbc_.get());
    stmt.Run("SELECT COUNT(*) FROM " + table);
    if (!stmt.Fetch()) return 0;
    const Variant n = stmt.Read(1, Reading::BigInt);
    if (n.kind() == Variant::Kind::Long) return n.long_value();
    if (n.kind() == Variant::Kind::Double) return static_cast<int64_t>(n.double_value());
    return 0;
  }

  std::string Insert(const std::string& table, const std::string& keyColumn,
                     const Variant& key) override {
    Statement stmt(dbc_.get());
    stmt.Bind({key});
    const std::string sql = "INSERT INTO " + table + " (" + QuotedIdentifier(keyColumn, quote_) +
                            ") VALUES (?)" + locator_->Returning();
    stmt.Run(sql);
    return locator_->Returning().empty() ? std::string() : ReturnedLocator(stmt);
  }

  // Optimistic by the key and the changed columns (row_locator.h).
  std::string UpdateRow(const std::string& table, const std::vector<ColumnInfo>& columns,
                        const std::vector<Variant>& original, const std::string& locator,
                        const ColumnChanges& changes) override {
    const bool returning = !locator_->Returning().empty();
    for (const LocatedStatement& located : locator_->Updates({table, columns, original, locator, changes})) {
      Statement stmt(dbc_.get());
      for (const db::Param& p : located.params) stmt.Bind(p);
      if (!stmt.Run(located.sql)) continue;
      if (returning) {
        if (stmt.Fetch()) return LocatorText(stmt.Read(1, Reading::Text));
      } else if (stmt.RowCount() > 0) {
        return {};
      }
    }
    ThrowRowNotFound();
  }

  void Execute(const std::string& statement) override {
    Statement stmt(dbc_.get());
    stmt.Run(AdaptQuery(statement));
  }

  void BeginTransaction() override {
    if (inTransaction_) return;
    Check(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_AUTOCOMMIT_OFF)), 0),
          SQL_HANDLE_DBC, dbc_.get(), "Unable to begin a transaction");
    inTransaction_ = true;
  }

  void CommitTransaction() override {
    if (!inTransaction_) return;
    inTransaction_ = false;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_COMMIT);
    // Back to a statement per transaction whatever the commit said.
    SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_AUTOCOMMIT_ON)), 0);
    Check(rc, SQL_HANDLE_DBC, dbc_.get(), "Unable to commit a transaction");
  }

  bool Broken() override {
    // The driver knows the session is gone once a call on it has failed for that reason.
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (!Succeeded(SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr))) {
      return false;
    }
    return dead == SQL_CD_TRUE;
  }

 private:
  std::string InfoText(SQLUSMALLINT item) {
    SQLWCHAR buffer[256];
    SQLSMALLINT length = 0;
    if (!Succeeded(SQLGetInfoW(dbc_.get(), item, buffer, sizeof buffer, &length))) return {};
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)) / sizeof(SQLWCHAR),
                                                sizeof buffer / sizeof buffer[0] - 1);
    return odbc::Narrow(buffer, n);
  }

  // A ctid text is "(block,item)"; anything else is not used to build a statement.
  static std::string LocatorText(const Variant& value) {
    if (value.kind() != Variant::Kind::Text) return {};
    const std::string& t = value.text();
    if (t.size() < 5 || t.front() != '(' || t.back() != ')') return {};
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
      if ((t[i] < '0' || t[i] > '9') && t[i] != ',') return {};
    }
    return t;
  }

  std::string ReturnedLocator(Statement& stmt) {
    if (!stmt.Fetch()) ThrowRowNotFound();
    return LocatorText(stmt.Read(1, Reading::Text));
  }

  odbc::Environment env_;
  Handle dbc_;
  bool connected_ = false;
  std::string dbmsName_;
  std::string quote_;
  bool postgres_ = false;
  bool inTransaction_ = false;
  std::unique_ptr<RowLocator> locator_;
};

}  // namespace

std::unique_ptr<Connection> OpenOdbcConnection(const std::string& odbcConnectionString) {
  return std::make_unique<EngineConnection>(std::make_shared<OdbcEngine>(odbcConnectionString));
}

std::string OdbcDbmsName(const std::string& odbcConnectionString) {
  return OdbcEngine(odbcConnectionString).DbmsName();
}

}  // namespace korvane::db

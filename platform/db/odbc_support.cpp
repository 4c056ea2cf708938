#include "platform/db/odbc_support.h"

#include <algorithm>
#include <cstdint>

#include "platform/db/engine.h"
#include "platform/utf16.h"
#include "platform/runtime_error.h"

namespace korvane::db::odbc {

WideString Wide(const std::string& text) {
  const std::u16string utf16 = ToUtf16(text);
  return WideString(utf16.begin(), utf16.end());
}

std::string Narrow(const SQLWCHAR* text, std::size_t length) { return FromUtf16(text, length); }

std::string Narrow(const WideString& text) { return Narrow(text.data(), text.size()); }

std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string all;
  if (handle == SQL_NULL_HANDLE) return all;
  for (SQLSMALLINT record = 1; record < 16; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[2048];
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message,
                                        static_cast<SQLSMALLINT>(sizeof message / sizeof message[0]),
                                        &length);
    if (!Succeeded(rc)) break;
    const std::size_t capacity = sizeof message / sizeof message[0] - 1;
    const std::size_t n = length < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(length), capacity);
    std::string text = Narrow(message, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
      text.pop_back();
    }
    if (text.empty()) continue;
    if (!all.empty()) all += " ";
    all += text;
  }
  return all;
}

void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* fallback) {
  if (Succeeded(rc)) return;
  std::string text = Diagnostics(handleType, handle);
  if (text.empty()) text = fallback;
  throw RuntimeError(kProviderError, text);
}

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!Succeeded(rc)) {
    const SQLSMALLINT parentType = type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
    Check(rc, parentType, parent, "Unable to allocate an ODBC handle");
  }
}

Handle::~Handle() {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
}

Environment::Environment() : handle_(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
  Check(SQLSetEnvAttr(handle_.get(), SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(SQL_OV_ODBC3)), 0),
        SQL_HANDLE_ENV, handle_.get(), "Unable to set the ODBC version");
}

namespace {

template <class Enumerate>
std::vector<std::string> ListNames(Enumerate enumerate) {
  Environment env;
  std::vector<std::string> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (int guard = 0; guard < 10000; ++guard) {
    SQLWCHAR name[512];
    SQLSMALLINT length = 0;
    const SQLRETURN rc = enumerate(env.get(), direction, name,
                                   static_cast<SQLSMALLINT>(sizeof name / sizeof name[0]), &length);
    if (!Succeeded(rc)) break;
    const std::size_t capacity = sizeof name / sizeof name[0] - 1;
    names.push_back(Narrow(name, std::min<std::size_t>(static_cast<std::size_t>(length < 0 ? 0 : length), capacity)));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

}  // namespace

std::vector<std::string> DataSourceNames() {
  return ListNames([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT size,
                      SQLSMALLINT* length) {
    SQLWCHAR description[512];
    SQLSMALLINT descriptionLength = 0;
    return SQLDataSourcesW(env, direction, name, size, length, description,
                           static_cast<SQLSMALLINT>(sizeof description / sizeof description[0]),
                           &descriptionLength);
  });
}

std::vector<std::string> DriverNames() {
  return ListNames([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT size,
                      SQLSMALLINT* length) {
    SQLWCHAR attributes[2048];
    SQLSMALLINT attributesLength = 0;
    return SQLDriversW(env, direction, name, size, length, attributes,
                       static_cast<SQLSMALLINT>(sizeof attributes / sizeof attributes[0]),
                       &attributesLength);
  });
}

}  // namespace korvane::db::odbc

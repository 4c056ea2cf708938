// The ODBC edge: handle ownership, wide-text conversion and diagnostics. Only the wide
// (SQL...W) calls are used so that the same code builds against unixODBC and the Windows
// driver manager. ODBC status codes become RuntimeError here, carrying the driver's
// diagnostic text.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>
#include <vector>

namespace korvane::db::odbc {

using WideString = std::basic_string<SQLWCHAR>;

WideString Wide(const std::string& text);
std::string Narrow(const SQLWCHAR* text, std::size_t length);
std::string Narrow(const WideString& text);

// The diagnostic records of a handle, joined; empty when there are none.
std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Throws RuntimeError with the handle's diagnostics (or `fallback`) unless `rc` succeeded.
void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* fallback);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// One owned ODBC handle, freed with its own type.
class Handle {
 public:
  Handle(SQLSMALLINT type, SQLHANDLE parent);
  ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }

 private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// An environment handle set to ODBC 3 behaviour.
class Environment {
 public:
  Environment();
  SQLHENV get() const { return handle_.get(); }

 private:
  Handle handle_;
};

// The data source names the driver manager knows (user and system DSNs).
std::vector<std::string> DataSourceNames();

// The installed drivers, in the driver manager's order.
std::vector<std::string> DriverNames();

}  // namespace korvane::db::odbc

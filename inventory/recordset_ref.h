// A database slot used by the reconciliation. A slot whose recordset was never opened
// behaves like an unset object variable: the statement that touches it fails with a
// run-time error, which the caller's error mode then skips or traps.
#pragma once

#include <memory>

#include "platform/database.h"
#include "platform/runtime_error.h"

namespace korvane {

inline Recordset& Opened(const std::unique_ptr<Recordset>& rs) {
  if (!rs) throw StandardError(errors::kObjectNotSet);
  return *rs;
}

inline Connection& Opened(const std::unique_ptr<Connection>& conn) {
  if (!conn) throw StandardError(errors::kObjectNotSet);
  return *conn;
}

}  // namespace korvane

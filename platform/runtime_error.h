// The one failure vocabulary of the program. Every platform implementation turns its
// own failures (errno values, HRESULTs, ODBC diagnostics, SQLite codes) into a
// RuntimeError at its edge, so the core sees the same kind of error everywhere and the
// error-handling patterns in app/error_handling.h can act on it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvane {

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int32_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

// Run-time error numbers that the core raises itself, with the message texts a
// Windows program of this kind reports for them.
namespace errors {
constexpr int32_t kInvalidProcedureCall = 5;
constexpr int32_t kOverflow = 6;
constexpr int32_t kSubscriptOutOfRange = 9;
constexpr int32_t kDivisionByZero = 11;
constexpr int32_t kTypeMismatch = 13;
constexpr int32_t kObjectNotSet = 91;
constexpr int32_t kInvalidUseOfNull = 94;
// Raised by a recordset asked for a column when it stands on no row.
constexpr int32_t kNoCurrentRecord = 3021;
}  // namespace errors

// A RuntimeError with the standard message text of one of the numbers above.
RuntimeError StandardError(int32_t number);

}  // namespace korvane

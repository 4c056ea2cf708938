#include "platform/runtime_error.h"

namespace korvane {

RuntimeError StandardError(int32_t number) {
  switch (number) {
    case errors::kInvalidProcedureCall: return {number, "Invalid procedure call or argument"};
    case errors::kOverflow: return {number, "Overflow"};
    case errors::kSubscriptOutOfRange: return {number, "Subscript out of range"};
    case errors::kDivisionByZero: return {number, "Division by zero"};
    case errors::kTypeMismatch: return {number, "Type mismatch"};
    case errors::kObjectNotSet: return {number, "Object variable or With block variable not set"};
    case errors::kInvalidUseOfNull: return {number, "Invalid use of Null"};
    case errors::kNoCurrentRecord:
      return {number,
              "Either BOF or EOF is True, or the current record has been deleted. Requested "
              "operation requires a current record."};
    default: return {number, "Application-defined or object-defined error"};
  }
}

}  // namespace korvane

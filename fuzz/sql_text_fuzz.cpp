// Query texts with names from outside (computer names end up inside quoted literals) and
// the schema texts split into statements.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/db/schema_install.h"
#include "platform/db/sql_text.h"

using namespace korvane;

namespace {

// `shorter` is `longer` with some letters N (either case) taken out.
bool OnlyNsRemoved(const std::string& longer, const std::string& shorter) {
  std::size_t j = 0;
  for (char c : longer) {
    if (j < shorter.size() && shorter[j] == c) {
      ++j;
    } else if (c != 'N' && c != 'n') {
      return false;
    }
  }
  return j == shorter.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  FUZZ_CHECK(OnlyNsRemoved(text, db::RemoveNationalPrefix(text)));
  if (const auto table = db::WholeTableName(text)) FUZZ_CHECK(!table->empty());
  db::TableOfQuery(text);
  const std::string expression = ", KorvaneFuzz";
  if (const auto extended = db::AppendToSelectList(text, "KorvaneFuzz")) {
    const std::size_t at = extended->find(expression);
    FUZZ_CHECK(at != std::string::npos);
    FUZZ_CHECK(extended->size() == text.size() + expression.size());
  }

  for (const auto& statement : db::SchemaStatements(text)) {
    FUZZ_CHECK(!statement.empty());
    FUZZ_CHECK(statement.find_first_of(" \t\r\n") != 0);
    FUZZ_CHECK(statement.rfind("--", 0) != 0);
  }
  return 0;
}

#include "console/rows/inventory_rows.h"

#include <algorithm>
#include <memory>

#include "formats/drive_history_text.h"
#include "scan/conversions.h"
#include "inventory/query_texts.h"
#include "platform/db/case_fold.h"
#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

// The key as the inventory compares keys: two names with one fold are one computer.
std::string Folded(const std::string& text) { return db::FoldKey(text); }

// The row of a keyed query whose key is `key` exactly, else its first row, or nothing.
// Rows whose keys differ in letter case only (an earlier version added both) are each
// shown as themselves, not the first of them twice.
std::optional<Row> FirstRow(Connection& connection, const std::string& query, const std::string& key = {}) {
  std::unique_ptr<Recordset> rs = connection.OpenRecordset(query);
  if (rs->RecordCount() <= 0) return std::nullopt;
  const int columns = rs->FieldCount();
  std::optional<Row> first;
  do {
    Row row;
    row.reserve(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) row.push_back(rs->Field(i));
    const bool exact = key.empty() || Text(At(row, 0)) == key;
    if (exact) return row;
    if (!first) first = std::move(row);
  } while (rs->MoveNext());
  return first;
}

std::optional<std::string> FirstText(Connection& connection, const std::string& query, int ordinal,
                                     const std::string& key) {
  const std::optional<Row> row = FirstRow(connection, query, key);
  if (!row) return std::nullopt;
  return Text(At(*row, ordinal));
}

}  // namespace

const Variant& At(const Row& row, int ordinal) {
  static const Variant kNull = Variant::Null();
  return ordinal >= 0 && ordinal < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(ordinal)] : kNull;
}

std::string Text(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: return "";
    case Variant::Kind::Text: return v.text();
    case Variant::Kind::Long: return std::to_string(v.long_value());
    case Variant::Kind::Double: return NumberText(v.double_value());
    case Variant::Kind::Bool: return v.bool_value() ? "True" : "False";
  }
  return "";
}

double Number(const Variant& v) {
  try {
    if (v.IsNull() || v.IsEmpty()) return 0;
    return ToDouble(v);
  } catch (const RuntimeError&) {
    return 0;
  }
}

std::vector<std::string> ComputerNames(Connection& connection) {
  std::vector<std::string> names;
  std::unique_ptr<Recordset> rs = connection.OpenRecordset("SELECT Computer FROM Asset");
  if (rs->RecordCount() > 0) {
    do {
      names.push_back(Text(rs->Field(0)));
    } while (rs->MoveNext());
  }
  // In the order of their folded keys, so that the spellings of one computer stand
  // together; every stored spelling is a row of its own to show.
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(names.size());
  for (std::string& n : names) keyed.emplace_back(Folded(n), std::move(n));
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::string> unique;
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    if (i > 0 && keyed[i] == keyed[i - 1]) continue;
    unique.push_back(keyed[i].second);
  }
  return unique;
}

std::optional<ComputerRows> ReadComputer(Connection& connection, const std::string& name, unsigned parts) {
  std::optional<Row> asset = FirstRow(connection, AssetQuery(name), name);
  if (!asset) return std::nullopt;
  ComputerRows c;
  c.asset = AssetRow(std::move(*asset));
  // The other tables are keyed by the name as stored.
  const std::string key = Text(c.asset[asset::kComputer]);
  if (parts & kReadSoftware) c.softwareList = FirstText(connection, SoftwareQuery(key), software::kSoftwareList, key);
  if (parts & kReadServices) c.serviceList = FirstText(connection, ServicesQuery(key), services::kServiceList, key);
  if (parts & kReadLastAccess) {
    if (std::optional<Row> row = FirstRow(connection, LastAccessQuery(key), key)) {
      c.lastAccess = At(*row, last_access::kLastAccessTime);
    }
  }
  if (parts & kReadDrives) {
    for (char letter = 'C'; letter <= 'J'; ++letter) {
      if (auto h = FirstText(connection, DriveHistoryQuery(key, std::string(1, letter)), drive_history::kDiskHistory,
                             DriveHistoryKey(key, std::string(1, letter)))) {
        c.drives.push_back({letter, std::move(*h)});
      }
    }
  }
  return c;
}

std::vector<std::pair<std::string, Variant>> LastAccessTimes(Connection& connection) {
  std::vector<std::pair<std::string, Variant>> times;
  std::unique_ptr<Recordset> rs = connection.OpenRecordset("SELECT Computer, LastAccessTime FROM LastAccess");
  if (rs->RecordCount() <= 0) return times;
  do {
    std::string name = Text(rs->Field(0));
    times.emplace_back(std::move(name), rs->Field(1));
  } while (rs->MoveNext());
  // First row per computer, as the keyed query would return it.
  std::vector<std::pair<std::string, Variant>> first;
  std::vector<std::string> keys;
  for (const auto& t : times) keys.push_back(Folded(t.first));
  std::vector<std::size_t> order(times.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && keys[order[i]] == keys[order[i - 1]]) continue;
    first.push_back(std::move(times[order[i]]));
  }
  return first;
}

}  // namespace korvane::console

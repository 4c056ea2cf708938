#include "console/rows/inventory_rows.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "formats/drive_history_text.h"
#include "scan/conversions.h"
#include "inventory/query_texts.h"
#include "platform/connection_string.h"
#include "platform/db/case_fold.h"
#include "platform/runtime_error.h"

namespace korvane::console {

const std::vector<SoftwareEntry>& ComputerRows::Software() const {
  if (!software_) software_ = ParseSoftwareList(softwareList.value_or(""));
  return *software_;
}

std::size_t ComputerRows::ProgramCount() const {
  if (software_) return software_->size();
  return programCount ? *programCount : CountListItems(softwareList.value_or(""));
}

std::size_t ComputerRows::ServiceCount() const {
  return serviceCount ? *serviceCount : CountListItems(serviceList.value_or(""));
}

const std::vector<StoredChange>& ComputerRows::History() const {
  if (!history_) history_ = ParseHistory(Text(asset[asset::kHistory]));
  return *history_;
}

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

// Computers per batch: a few megabytes of rows (two batches are held at once: one
// shown, the next being read or waiting), and a statement well within
// every backend's limits even with eight drive keys per computer.
constexpr std::size_t kBatch = 200;

std::string Literal(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

bool Ascii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Rows of `select` whose key column (column 0) is one of `keys`: the first row of each
// exact key and of each folded key, so that a name finds its own spelling's row before
// another spelling's, as the keyed reading does.
struct KeyedRows {
  std::vector<Row> rows;  // each once: a software list is tens of kilobytes
  std::map<std::string, std::size_t> exact, folded;

  // Each row is taken once (the names read are distinct keys), so it is moved out.
  Row* Find(const std::string& key) {
    if (auto e = exact.find(key); e != exact.end()) return &rows[e->second];
    if (auto f = folded.find(Folded(key)); f != folded.end()) return &rows[f->second];
    return nullptr;
  }
};

void AddRows(KeyedRows& rows, Connection& connection, const std::string& query) {
  std::unique_ptr<Recordset> rs = connection.OpenRecordset(query);
  if (rs->RecordCount() <= 0) return;
  const int columns = rs->FieldCount();
  do {
    Row row;
    row.reserve(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) row.push_back(rs->Field(i));
    const std::string key = Text(At(row, 0));
    const bool firstExact = rows.exact.try_emplace(key, rows.rows.size()).second;
    const bool firstFolded = rows.folded.try_emplace(Folded(key), rows.rows.size()).second;
    if (firstExact || firstFolded) rows.rows.push_back(std::move(row));
  } while (rs->MoveNext());
}

// Adds the rows of `keys`, each looked up in the key's index.
void AddRowsOfKeys(KeyedRows& rows, Connection& connection, const std::string& select, const std::string& keyColumn,
                   const std::vector<std::string>& keys) {
  if (keys.empty()) return;
  std::string query = select + " WHERE " + keyColumn + " IN (";
  for (std::size_t i = 0; i < keys.size(); ++i) query += (i ? "," : "") + Literal(keys[i]);
  AddRows(rows, connection, query + ")");
}

KeyedRows RowsByKey(Connection& connection, const std::string& select, const std::string& keyColumn,
                    const std::vector<std::string>& keys) {
  KeyedRows rows;
  AddRowsOfKeys(rows, connection, select, keyColumn, keys);
  return rows;
}

// The same rows for the keys of a batch, which are in the order of their folded keys and
// A to Z only: one stretch of the key's index between the first and the last instead of
// a search of the index for each key (a server compares keys without regard to case
// slowly). A server that orders keys otherwise (another collation) leaves some outside
// the stretch; they are looked up by key, with those that have no row.
KeyedRows RowsOfBatch(Connection& connection, const std::string& select, const std::string& keyColumn,
                      const std::vector<std::string>& keys) {
  if (keys.size() < 2) return RowsByKey(connection, select, keyColumn, keys);
  KeyedRows rows;
  AddRows(rows, connection,
          select + " WHERE " + keyColumn + " BETWEEN " + Literal(keys.front()) + " AND " + Literal(keys.back()));
  std::vector<std::string> missing;
  for (const std::string& k : keys) {
    if (rows.Find(k) == nullptr) missing.push_back(k);
  }
  AddRowsOfKeys(rows, connection, select, keyColumn, missing);
  return rows;
}

// The number of items of a stored list as CountListItems counts them, in the dialect of
// PostgreSQL; a server that does not know it refuses the query, and the lists are read.
std::string ServerCount(const std::string& column) {
  return "coalesce(array_length(array_remove(string_to_array(" + column + ", '" + std::string(1, kListSeparator) +
         "'), ''), 1), 0)";
}

// How the number of items of a list table is asked for, each way refused at most once: a
// column that the inventory keeps counted as each list is written (PostgreSQL's
// schema; counting 100,000 lists on each view costs its server more than the rest of
// the view), then ServerCount, then the lists themselves.
struct ListCount {
  const char* table;
  const char* keyColumn;
  const char* listColumn;
  const char* countColumn;
  bool refusedColumn = false, refusedServerCount = false;
};

// What the inventory refused once and is not asked again. Each is asked from one
// thread at a time: the software and the services may be read on sessions of their own.
struct Refused {
  ListCount software{"Software", "SoftComputer", "SoftwareList", "SoftwareItems"};
  ListCount services{"Services", "ServComputer", "ServiceList", "ServiceItems"};
  bool columnNames = false;  // Asset's columns by name (an inventory made elsewhere)
};

// The rows of a list table for `keys`: the number of items of each list when `count` and
// the inventory can count them (`counted` then true), else the lists.
KeyedRows ListRows(Connection& connection, ListCount& list, const std::vector<std::string>& keys, bool count,
                   bool& counted) {
  counted = false;
  const std::string key = list.keyColumn;
  const std::pair<bool*, std::string> ways[] = {{&list.refusedColumn, list.countColumn},
                                                {&list.refusedServerCount, ServerCount(list.listColumn)}};
  for (const auto& [refused, items] : ways) {
    if (count && !*refused) {
      try {
        KeyedRows rows = RowsOfBatch(connection, "SELECT " + key + ", " + items + " FROM " + list.table, key, keys);
        counted = true;
        return rows;
      } catch (const RuntimeError&) {
        *refused = true;
      }
    }
  }
  return RowsOfBatch(connection, "SELECT " + key + ", " + list.listColumn + " FROM " + list.table, key, keys);
}

// Asset's rows for `keys`: the columns before the drive slots, then the slots and the
// History column when asked for (a row read by name ends where its last column asked for
// does, so that every column keeps its ordinal).
KeyedRows AssetRows(Connection& connection, const std::vector<std::string>& keys, unsigned parts, Refused& refused) {
  if (!refused.columnNames) {
    const int last = (parts & kReadHistory)      ? asset::kHistory
                     : (parts & kReadDriveSlots) ? asset::kHistory - 1
                                                 : asset::kFirstDriveSlot - 1;
    std::string select = "SELECT ";
    for (int i = 0; i <= last; ++i) select += (i ? ", " : "") + asset::ColumnName(i);
    try {
      return RowsOfBatch(connection, select + " FROM Asset", "Computer", keys);
    } catch (const RuntimeError&) {
      refused.columnNames = true;
    }
  }
  return RowsOfBatch(connection, "SELECT * FROM Asset", "Computer", keys);
}

// The rows of the tables beside Asset for one batch.
struct BesideRows {
  KeyedRows software, services, access, drives;
  bool softwareCounted = false, servicesCounted = false;
};

// The reading of one table beside Asset for a batch, on the session it is given. The
// other tables are keyed by the name as stored in Asset, which is how ComputerNames
// gives it.
using BesideRead = std::function<void(Connection&, BesideRows&)>;

std::vector<BesideRead> BesideReads(const std::vector<std::string>& stored, unsigned parts, Refused& refused) {
  std::vector<BesideRead> reads;
  if (parts & (kReadSoftware | kCountSoftware)) {
    reads.emplace_back([&stored, &refused, parts](Connection& c, BesideRows& r) {
      r.software = ListRows(c, refused.software, stored, !(parts & kReadSoftware), r.softwareCounted);
    });
  }
  if (parts & (kReadServices | kCountServices)) {
    reads.emplace_back([&stored, &refused, parts](Connection& c, BesideRows& r) {
      r.services = ListRows(c, refused.services, stored, !(parts & kReadServices), r.servicesCounted);
    });
  }
  if (parts & kReadLastAccess) {
    reads.emplace_back([&stored](Connection& c, BesideRows& r) {
      r.access = RowsOfBatch(c, "SELECT Computer, LastAccessTime FROM LastAccess", "Computer", stored);
    });
  }
  if (parts & kReadDrives) {
    reads.emplace_back([&stored](Connection& c, BesideRows& r) {
      std::vector<std::string> keys;
      for (const std::string& s : stored) {
        for (char letter = 'C'; letter <= 'J'; ++letter) keys.push_back(DriveHistoryKey(s, std::string(1, letter)));
      }
      r.drives = RowsByKey(c, "SELECT DiskComputer, DiskHistory FROM DriveHistory", "DiskComputer", keys);
    });
  }
  return reads;
}

// One batch of names that need no fold beyond A to Z, which every backend's key
// comparison agrees on; names with other letters are read with the keyed queries.
std::vector<ComputerRows> ReadBatch(Connection& connection, const std::vector<Connection*>& sessions,
                                    const std::vector<std::string>& names, unsigned parts, Refused& refused) {
  std::vector<ComputerRows> batch;
  batch.reserve(names.size());
  std::vector<std::string> plain;
  for (const std::string& n : names) {
    if (Ascii(n)) plain.push_back(n);
  }
  const std::vector<BesideRead> reads = BesideReads(plain, parts, refused);
  BesideRows r;
  KeyedRows assets;
  {
    // With sessions beside this one the server answers for Asset and the other tables
    // at once; the futures wait for every session before the rows go out of scope.
    std::vector<std::future<void>> answering;
    for (std::size_t s = 0; s < sessions.size(); ++s) {
      // The first table (the software, the largest) on a session of its own, the rest on the last.
      answering.push_back(std::async(std::launch::async, [&, s] {
        for (std::size_t i = s; i < reads.size() && (i == s || s + 1 == sessions.size()); ++i) reads[i](*sessions[s], r);
      }));
    }
    assets = AssetRows(connection, plain, parts, refused);
    if (sessions.empty()) {
      for (const BesideRead& read : reads) read(connection, r);
    }
    for (std::future<void>& f : answering) f.wait();
    for (std::future<void>& f : answering) f.get();
  }
  KeyedRows &software = r.software, &services = r.services, &access = r.access, &drives = r.drives;
  const bool softwareCounted = r.softwareCounted, servicesCounted = r.servicesCounted;
  const auto text = [](KeyedRows& rows, const std::string& key) -> std::optional<std::string> {
    Row* row = rows.Find(key);
    if (row == nullptr) return std::nullopt;
    if (row->size() > 1 && (*row)[1].kind() == Variant::Kind::Text) return std::move((*row)[1]).text();
    return Text(At(*row, 1));
  };
  for (const std::string& name : names) {
    std::optional<ComputerRows> c;
    if (!Ascii(name)) {
      c = ReadComputer(connection, name, parts);
    } else if (Row* row = assets.Find(name)) {
      c.emplace();
      c->asset = AssetRow(std::move(*row));
      const std::string key = Text(c->asset[asset::kComputer]);
      const auto count = [&](KeyedRows& rows) -> std::optional<std::size_t> {
        const Row* counted = rows.Find(key);
        if (counted == nullptr) return std::nullopt;
        return static_cast<std::size_t>(Number(At(*counted, 1)));
      };
      if (softwareCounted) {
        c->programCount = count(software);
      } else if (parts & (kReadSoftware | kCountSoftware)) {
        c->softwareList = text(software, key);
      }
      if (servicesCounted) {
        c->serviceCount = count(services);
      } else if (parts & (kReadServices | kCountServices)) {
        c->serviceList = text(services, key);
      }
      if (parts & kReadLastAccess) {
        if (const Row* a = access.Find(key)) c->lastAccess = At(*a, 1);
      }
      if (parts & kReadDrives) {
        for (char letter = 'C'; letter <= 'J'; ++letter) {
          if (auto h = text(drives, DriveHistoryKey(key, std::string(1, letter)))) c->drives.push_back({letter, std::move(*h)});
        }
      }
    }
    if (c) batch.push_back(std::move(*c));
  }
  return batch;
}

}  // namespace

void ForEachComputer(Connection& connection, unsigned parts, const std::function<void(ComputerRows&)>& each,
                     BesideSessions* beside) {
  const std::vector<std::string> names = ComputerNames(connection);
  Refused refused;
  const std::size_t tables = BesideReads(names, parts, refused).size();
  // Two sessions beside Asset's keep pace with what two cores can show; more only hold
  // more results in memory at once.
  const std::vector<Connection*> sessions =
      beside != nullptr ? beside->Open(std::min<std::size_t>(tables, 2)) : std::vector<Connection*>{};
  // The next batch is read while this one is shown: on two cores the inventory's reading
  // (a server's answer, the driver's conversions) and the views' writing overlap. The
  // connection is used by the reading thread alone until it has ended.
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<std::vector<ComputerRows>> ready;  // read, not yet taken
  bool finished = false, stop = false;
  std::exception_ptr failure;
  std::thread reader([&] {
    try {
      for (std::size_t start = 0; start < names.size(); start += kBatch) {
        const std::vector<std::string> part(names.begin() + static_cast<std::ptrdiff_t>(start),
                                            names.begin() + static_cast<std::ptrdiff_t>(std::min(names.size(), start + kBatch)));
        // One batch ahead, no more: the next is read once the last one read is taken.
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return !ready || stop; });
          if (stop) return;
        }
        std::vector<ComputerRows> batch = ReadBatch(connection, sessions, part, parts, refused);
        std::lock_guard lock(mutex);
        ready = std::move(batch);
        changed.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      failure = std::current_exception();
    }
    std::lock_guard lock(mutex);
    finished = true;
    changed.notify_all();
  });
  const auto join = [&] {
    {
      std::lock_guard lock(mutex);
      stop = true;
      changed.notify_all();
    }
    reader.join();
  };
  try {
    for (;;) {
      std::vector<ComputerRows> batch;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return ready || finished; });
        if (!ready) break;
        batch = std::move(*ready);
        ready.reset();
        changed.notify_all();
      }
      for (ComputerRows& c : batch) {
        each(c);
        c = ComputerRows{};  // its lists, parsed or not, go now rather than with the batch
      }
    }
  } catch (...) {
    join();
    throw;
  }
  join();
  if (failure) std::rethrow_exception(failure);
}

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
  if (parts & (kReadSoftware | kCountSoftware)) {
    c.softwareList = FirstText(connection, SoftwareQuery(key), software::kSoftwareList, key);
  }
  if (parts & (kReadServices | kCountServices)) {
    c.serviceList = FirstText(connection, ServicesQuery(key), services::kServiceList, key);
  }
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

std::vector<Connection*> BesideSessions::Open(std::size_t count) {
  while (server_ != nullptr && !refused_ && sessions_.size() < count) {
    try {
      sessions_.push_back(server_->Open(connectionString_));
    } catch (const RuntimeError&) {
      refused_ = true;  // a server short of sessions still answers on fewer
    }
  }
  std::vector<Connection*> open;
  for (std::size_t i = 0; i < sessions_.size() && i < count; ++i) open.push_back(sessions_[i].get());
  return open;
}

ReadingInventory OpenInventoryForReading(const std::string& source) {
  ReadingInventory inventory{MakeReadingDatabaseServer(), nullptr, {}};
  const std::string connectionString = MakeConnectionString(source);
  try {
    inventory.connection = inventory.server->Open(connectionString);
  } catch (const RuntimeError& e) {
    throw RuntimeError(e.number(), e.description() + "\n'" + source +
                                       "' is no inventory that can be opened; create one with: korvane-console "
                                       "init-db " + source);
  }
  const ConnectionTarget target = ParseConnectionString(connectionString);
  if (db::ChooseBackend(target.dataSource, target.catalog).kind != db::BackendChoice::Kind::SqliteFile) {
    inventory.beside = BesideSessions(*inventory.server, connectionString);
  }
  return inventory;
}

}  // namespace korvane::console

// One computer's rows as the scanner reads them, for the commands that show an
// inventory. One computer is read with the scanners' own keyed queries; the whole
// inventory is read in batches of computers, a query or two per table and batch, so
// that a server far away costs a few hundred round trips instead of a dozen per computer
// and memory holds one batch only. Where several rows match (concurrent first scans can
// leave two) the first row returned is the one used, as the scanner itself does.
// Listing the computers reads the key column only, so a view of one computer never
// scans a whole table.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/rows/asset_row.h"
#include "formats/history_text.h"
#include "formats/software_list_text.h"
#include "platform/database.h"
#include "platform/db/database_server.h"

namespace korvane::console {

using Row = std::vector<Variant>;

// Sessions on a server beside the first one, on which the tables beside Asset are read
// while Asset is, so that the server answers for several at once. Opened when first
// asked for; a file has none, as a second reader of a file only shares the same
// processor time.
class BesideSessions {
 public:
  BesideSessions() = default;
  BesideSessions(DatabaseServer& server, std::string connectionString)
      : server_(&server), connectionString_(std::move(connectionString)) {}
  // Up to `count` sessions: fewer when the server refuses more, none for a file.
  std::vector<Connection*> Open(std::size_t count);

 private:
  DatabaseServer* server_ = nullptr;
  std::string connectionString_;
  std::vector<std::unique_ptr<Connection>> sessions_;
  bool refused_ = false;
};

// An inventory opened by show and report, which only read: never written, so a copy on a
// read-only mount or one the user may not write still opens.
struct ReadingInventory {
  std::unique_ptr<DatabaseServer> server;
  std::unique_ptr<Connection> connection;
  BesideSessions beside;
};

// Throws RuntimeError naming SOURCE and how to create an inventory there.
ReadingInventory OpenInventoryForReading(const std::string& source);

struct DriveSeries {
  char letter;
  std::string history;  // DiskHistory as stored; empty text for Null
};

struct ComputerRows {
  AssetRow asset;                            // the first Asset row
  std::optional<std::string> softwareList;   // no Software row: nothing; Null: empty
  std::optional<std::string> serviceList;
  std::optional<Variant> lastAccess;         // LastAccessTime, possibly Null
  std::vector<DriveSeries> drives;           // C: to J: that have a DriveHistory row
  std::optional<std::size_t> programCount, serviceCount;  // counted by the server instead

  // The stored software list and history, parsed once for every view of the computer
  // (the report alone reads each three or four times).
  const std::vector<SoftwareEntry>& Software() const;
  const std::vector<StoredChange>& History() const;
  // How many programs and services, without parsing the lists when they are not parsed.
  std::size_t ProgramCount() const;
  std::size_t ServiceCount() const;

 private:
  mutable std::optional<std::vector<SoftwareEntry>> software_;
  mutable std::optional<std::vector<StoredChange>> history_;
};

enum ReadPart : unsigned {
  kReadSoftware = 1,
  kReadServices = 2,
  kReadLastAccess = 4,
  kReadDrives = 8,
  // Asset's History column, most of the row's bytes: without it ForEachComputer leaves
  // the column Null (read with the rest, a computer's own view always has it).
  kReadHistory = 64,
  // Asset's ten drive slots, two thirds of its columns: without them ForEachComputer
  // leaves the slots Null; the computer table and the problems need none of them.
  kReadDriveSlots = 128,
  kReadAll = 15 | kReadHistory | kReadDriveSlots,
  // Only how many programs or services: a server that can count a list's items sends the
  // number, not the list (a fleet's software lists are most of what it stores).
  kCountSoftware = 16,
  kCountServices = 32,
};

// The computers of Asset, each once (letter case ignored, as the keys are), sorted.
std::vector<std::string> ComputerNames(Connection& connection);

// The computer's rows; nothing when it has no Asset row.
std::optional<ComputerRows> ReadComputer(Connection& connection, const std::string& name,
                                         unsigned parts = kReadAll);

// Every computer of Asset with the parts asked for, in the order of ComputerNames; each
// is handed to `each` and forgotten before the next batch is read. With `beside` the
// tables beside Asset are read on sessions of their own.
void ForEachComputer(Connection& connection, unsigned parts, const std::function<void(ComputerRows&)>& each,
                     BesideSessions* beside = nullptr);

// Every (computer, LastAccessTime) of LastAccess, first row per computer.
std::vector<std::pair<std::string, Variant>> LastAccessTimes(Connection& connection);

// Reading values of a row: a missing column reads as Null.
const Variant& At(const Row& row, int ordinal);
// Text of a value; Null and Empty are empty text, numbers plain decimal.
std::string Text(const Variant& v);
// A number; Null or text that is no number reads as 0.
double Number(const Variant& v);

}  // namespace korvane::console

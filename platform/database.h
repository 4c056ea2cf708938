// The inventory database as the scan uses it: connections opened with the fixed
// connection string, and client-side recordsets (static cursor, optimistic locking) on
// which every change is stored at once by its own committed statement.
//
// Failures are reported as RuntimeError carrying the component's error description;
// callers log that text. Columns are addressed by ordinal; the per-computer queries
// return the table's own columns first, in table order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/variant.h"

namespace korvane {

class Recordset {
 public:
  virtual ~Recordset() = default;

  // Number of rows of the query; 0 for none. -1 is treated by every caller as a failed
  // open.
  virtual int32_t RecordCount() = 0;

  // Adds a row holding only its key (column 0), stores it at once and makes it current.
  virtual void AddNew(const Variant& key) = 0;

  // Writes one column of the current row, together with any columns set by SetField
  // since the last store, and stores the row at once.
  virtual void Update(int ordinal, const Variant& value) = 0;

  // The stored value of a column of the current row; Null for a column never written.
  // Raises RuntimeError (kNoCurrentRecord) when the recordset stands on no row.
  virtual Variant Field(int ordinal) = 0;

  // Changes a column of the current row in the recordset only; the next Update stores it.
  virtual void SetField(int ordinal, const Variant& value) = 0;

  // The maximum number of characters the column holds.
  virtual int32_t DefinedSize(int ordinal) = 0;

  // Number of columns the query returns.
  virtual int FieldCount() = 0;

  // Moves to the next row; false (and no current row) after the last. The scan works on
  // the first row only; tools that list a table walk with this.
  virtual bool MoveNext() = 0;

  virtual void Close() = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;

  // Opens a recordset on the query text (client cursor, static, optimistic), standing on
  // its first row when there is one.
  virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& query) = 0;

  // Runs a statement that returns no rows (used by tools such as init-db, never by a
  // scan).
  virtual void Execute(const std::string& statement) = 0;

  // Description of the failure behind a record count of -1 on this connection; empty
  // when there was none. Failures that raise are not remembered: callers log the error's
  // own description.
  virtual std::string LastErrorDescription() = 0;

  // Another connection object on the same session with an error state of its own, so
  // that several users share one connection to the server; nullptr when this
  // connection cannot be shared.
  virtual std::unique_ptr<Connection> Share() { return nullptr; }

  // Whether the session is known to be lost (the server closed it, the network went
  // away); such a connection is not shared again.
  virtual bool Broken() { return false; }

  // The session's writes from BeginTrans to CommitTrans (through every connection object
  // sharing the session) become visible to others together, and none of them if the
  // process ends in between. Another writer of the same rows waits for CommitTrans.
  virtual void BeginTrans() {}
  virtual void CommitTrans() {}
};

class DatabaseServer {
 public:
  virtual ~DatabaseServer() = default;

  // Opens a connection with the connection string (empty user and password).
  virtual std::unique_ptr<Connection> Open(const std::string& connectionString) = 0;
};

}  // namespace korvane

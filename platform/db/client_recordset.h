// The recordset and connection that the scan sees, the same for every backend: rows are
// held on the client (static cursor), every change is stored at once through the
// backend (an Update that would leave the row as it is stores nothing), and a row count
// that cannot be had is remembered for LastErrorDescription.
//
// A whole-table query ("SELECT * From Asset") is opened only to add a row, so it reads
// the table's columns and its row count but no row; the rows are fetched only if one is
// actually read.
#pragma once

#include <memory>
#include <string>

#include "platform/database.h"
#include "platform/db/engine.h"

namespace korvane::db {

// The failure behind the last record count of -1 on a connection.
struct ErrorState {
  std::string lastDescription;
};

class EngineConnection : public Connection {
 public:
  explicit EngineConnection(std::shared_ptr<Engine> engine);

  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override;
  void Execute(const std::string& statement) override;
  std::string LastErrorDescription() override;
  std::unique_ptr<Connection> Share() override;
  bool Broken() override;
  void BeginTrans() override;
  void CommitTrans() override;

 private:
  std::shared_ptr<Engine> engine_;
  std::shared_ptr<ErrorState> errors_;
};

}  // namespace korvane::db

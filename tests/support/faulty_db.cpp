#include "tests/support/faulty_db.h"

#include "platform/db/sql_text.h"
#include "platform/runtime_error.h"

namespace korvane::test {

namespace {

[[noreturn]] void InjectedFailure(const char* what, int ordinal) {
  throw RuntimeError(-2147217887, std::string("Injected failure ") + what + " column " + std::to_string(ordinal));
}

class FaultyRecordset : public Recordset {
 public:
  FaultyRecordset(FaultyDatabase& db, std::unique_ptr<Recordset> inner, std::string table, bool broken)
      : db_(db), inner_(std::move(inner)), table_(std::move(table)), broken_(broken) {}

  int32_t RecordCount() override { return broken_ ? -1 : inner_->RecordCount(); }
  void AddNew(const Variant& key) override { inner_->AddNew(key); }
  void Update(int ordinal, const Variant& value) override {
    if (failedColumn_ < 0 && db_.failingUpdates.contains({table_, ordinal})) failedColumn_ = ordinal;
    if (failedColumn_ >= 0) InjectedFailure("writing", failedColumn_);
    inner_->Update(ordinal, value);
    db_.calls.push_back("update " + table_ + " " + std::to_string(ordinal));
  }
  Variant Field(int ordinal) override {
    if (db_.failingReads.contains({table_, ordinal})) InjectedFailure("reading", ordinal);
    return inner_->Field(ordinal);
  }
  void SetField(int ordinal, const Variant& value) override {
    if (failedColumn_ < 0 && db_.failingUpdates.contains({table_, ordinal})) failedColumn_ = ordinal;
    inner_->SetField(ordinal, value);
  }
  int32_t DefinedSize(int ordinal) override {
    const auto replaced = db_.definedSizes.find({table_, ordinal});
    return replaced != db_.definedSizes.end() ? replaced->second : inner_->DefinedSize(ordinal);
  }
  int FieldCount() override { return inner_->FieldCount(); }
  bool MoveNext() override {
    failedColumn_ = -1;
    return inner_->MoveNext();
  }
  void Close() override {
    if (failedColumn_ >= 0) InjectedFailure("writing", failedColumn_);
    inner_->Close();
    db_.calls.push_back("close " + table_);
  }

 private:
  FaultyDatabase& db_;
  std::unique_ptr<Recordset> inner_;
  std::string table_;
  bool broken_;
  int failedColumn_ = -1;  // of a change that could not be stored and is pending
};

class FaultyConnection : public Connection {
 public:
  FaultyConnection(FaultyDatabase& db, std::unique_ptr<Connection> inner) : db_(db), inner_(std::move(inner)) {}
  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override {
    const auto broken = db_.brokenQueries.find(query);
    if (broken != db_.brokenQueries.end()) error_ = broken->second;
    return std::make_unique<FaultyRecordset>(db_, inner_->OpenRecordset(query),
                                             db::TableOfQuery(db::RemoveNationalPrefix(query)).value_or(""),
                                             broken != db_.brokenQueries.end());
  }
  void Execute(const std::string& statement) override { inner_->Execute(statement); }
  std::string LastErrorDescription() override { return error_.empty() ? inner_->LastErrorDescription() : error_; }
  std::unique_ptr<Connection> Share() override {
    std::unique_ptr<Connection> shared = inner_->Share();
    return shared ? std::make_unique<FaultyConnection>(db_, std::move(shared)) : nullptr;
  }
  bool Broken() override { return inner_->Broken(); }
  void BeginTrans() override { inner_->BeginTrans(); }
  void CommitTrans() override { inner_->CommitTrans(); }

 private:
  FaultyDatabase& db_;
  std::unique_ptr<Connection> inner_;
  std::string error_;  // the description given with the last broken query opened
};

}  // namespace

std::unique_ptr<Connection> FaultyDatabase::Open(const std::string&) {
  return std::make_unique<FaultyConnection>(*this, inventory.Connect());
}

}  // namespace korvane::test

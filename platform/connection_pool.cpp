#include "platform/connection_pool.h"

#include <future>
#include <system_error>
#include <utility>

#include "platform/runtime_error.h"

namespace korvane {

// The shared session of one connection string. `root` is the connection the server
// gave; users get sessions shared from it.
struct ConnectionPool::Entry {
  DatabaseServer* server = nullptr;
  std::string connectionString;
  std::unique_ptr<Connection> root;
  int connectionsMade = 0;
  // The connection OpenAhead is making; its thread is joined when it is taken or when
  // the entry goes.
  std::future<std::unique_ptr<Connection>> ahead;

  // A new session object, connecting first when there is no sound connection.
  // `reused` tells whether the connection was there already.
  std::unique_ptr<Connection> Session(bool& reused) {
    if (ahead.valid()) {
      if (std::unique_ptr<Connection> made = ahead.get()) {
        root = std::move(made);
        ++connectionsMade;
      }
    }
    // One made ahead has been idle since, like any shared one: if it broke meanwhile, the
    // first recordset opened on it connects again.
    reused = root != nullptr && !root->Broken();
    if (!reused) {
      root.reset();
      root = server->Open(connectionString);
      ++connectionsMade;
    }
    std::unique_ptr<Connection> session = root->Share();
    if (session) return session;
    // A connection that cannot be shared: every user gets a connection of its own.
    reused = false;
    return std::exchange(root, nullptr);
  }
};

namespace {

class PooledConnection : public Connection {
 public:
  PooledConnection(std::shared_ptr<ConnectionPool::Entry> entry, std::unique_ptr<Connection> session,
                   bool reused)
      : entry_(std::move(entry)), session_(std::move(session)), reused_(reused) {}

  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override {
    try {
      std::unique_ptr<Recordset> rs = session_->OpenRecordset(query);
      reused_ = false;
      return rs;
    } catch (const RuntimeError&) {
      if (!reused_ || !session_->Broken()) throw;
    }
    // Opening a recordset only reads, so it can be repeated on a new connection (or on
    // the one another user has made since).
    reused_ = false;
    bool reused = false;
    session_ = entry_->Session(reused);
    return session_->OpenRecordset(query);
  }

  void Execute(const std::string& statement) override {
    reused_ = false;
    session_->Execute(statement);
  }

  std::string LastErrorDescription() override { return session_->LastErrorDescription(); }

  bool Broken() override { return session_->Broken(); }

  void BeginTrans() override {
    reused_ = false;
    session_->BeginTrans();
  }

  void CommitTrans() override { session_->CommitTrans(); }

 private:
  std::shared_ptr<ConnectionPool::Entry> entry_;
  std::unique_ptr<Connection> session_;
  bool reused_;
};

}  // namespace

ConnectionPool::ConnectionPool() = default;
ConnectionPool::~ConnectionPool() = default;

std::shared_ptr<ConnectionPool::Entry>& ConnectionPool::EntryFor(DatabaseServer& server,
                                                                 const std::string& connectionString) {
  std::shared_ptr<Entry>& entry = entries_[connectionString];
  if (!entry) {
    entry = std::make_shared<Entry>();
    entry->connectionString = connectionString;
  }
  entry->server = &server;
  return entry;
}

std::unique_ptr<Connection> ConnectionPool::Open(DatabaseServer& server,
                                                 const std::string& connectionString) {
  std::shared_ptr<Entry>& entry = EntryFor(server, connectionString);
  bool reused = false;
  std::unique_ptr<Connection> session = entry->Session(reused);
  return std::make_unique<PooledConnection>(entry, std::move(session), reused);
}

void ConnectionPool::OpenAhead(DatabaseServer& server, const std::string& connectionString,
                               std::vector<std::string> firstQueries) {
  std::shared_ptr<Entry>& entry = EntryFor(server, connectionString);
  if (entry->root || entry->ahead.valid()) return;
  auto connect = [&server, connectionString, queries = std::move(firstQueries)] {
    std::unique_ptr<Connection> made;
    try {
      made = server.Open(connectionString);
    } catch (...) {
      return made;
    }
    try {
      // Through a session of its own, so that the connection handed on carries no error
      // of these reads.
      if (std::unique_ptr<Connection> session = made->Share()) {
        for (const std::string& query : queries) session->OpenRecordset(query);
      }
    } catch (...) {
      // The scan's own reads will meet the same failure and report it.
    }
    return made;
  };
  try {
    entry->ahead = std::async(std::launch::async, std::move(connect));
  } catch (const std::system_error&) {
    // No thread to be had: the scan connects when it first needs to.
  }
}

}  // namespace korvane

namespace korvane {

int ConnectionPool::ConnectionsMade() const {
  int n = 0;
  for (const auto& [connectionString, entry] : entries_) n += entry->connectionsMade;
  return n;
}

}  // namespace korvane

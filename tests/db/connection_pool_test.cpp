// The scan's one connection to the server: shared by every open, replaced when it broke,
// and never shared between two scans.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/connection_pool.h"
#include "platform/db/database_server.h"
#include "platform/runtime_error.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::test {
namespace {

// A server whose connections can break. A connection that broke while idle only knows
// it after its next call failed, as ODBC drivers do.
class FakeServer : public DatabaseServer {
 public:
  struct Session {
    int number = 0;
    bool lost = false;     // the server side is gone
    bool noticed = false;  // a call has failed because of it
  };

  class FakeConnection : public Connection {
   public:
    FakeConnection(FakeServer& server, std::shared_ptr<Session> session)
        : server_(server), session_(std::move(session)) {}
    std::unique_ptr<Recordset> OpenRecordset(const std::string&) override {
      if (session_->lost) {
        session_->noticed = true;
        throw RuntimeError(-1, "server closed the connection unexpectedly");
      }
      server_.opensOn.push_back(session_->number);
      return nullptr;
    }
    void Execute(const std::string&) override {}
    std::string LastErrorDescription() override { return {}; }
    std::unique_ptr<Connection> Share() override {
      if (!server_.shareable) return nullptr;
      return std::make_unique<FakeConnection>(server_, session_);
    }
    bool Broken() override { return session_->noticed; }

   private:
    FakeServer& server_;
    std::shared_ptr<Session> session_;
  };

  std::unique_ptr<Connection> Open(const std::string&) override {
    if (refuse) throw RuntimeError(-1, "too many clients already");
    sessions.push_back(std::make_shared<Session>());
    sessions.back()->number = static_cast<int>(sessions.size());
    return std::make_unique<FakeConnection>(*this, sessions.back());
  }

  bool shareable = true;
  bool refuse = false;
  std::vector<std::shared_ptr<Session>> sessions;
  std::vector<int> opensOn;  // the session each successful recordset open used
};

TEST(ConnectionPool, SharesOneConnectionAndReplacesOneThatBroke) {
  FakeServer server;
  ConnectionPool pool;
  const std::string cs = "Data Source=A";

  // Every open shares the first connection.
  auto a = pool.Open(server, cs);
  auto b = pool.Open(server, cs);
  a->OpenRecordset("q");
  b->OpenRecordset("q");
  EXPECT_EQ(server.sessions.size(), 1u);
  EXPECT_EQ(server.opensOn, (std::vector<int>{1, 1}));

  // A connection that broke while idle: the first open on it connects again and repeats.
  server.sessions[0]->lost = true;
  auto c = pool.Open(server, cs);
  c->OpenRecordset("q");
  EXPECT_EQ(server.sessions.size(), 2u);
  EXPECT_EQ(server.opensOn.back(), 2);
  // The others share the new one from then on.
  pool.Open(server, cs)->OpenRecordset("q");
  EXPECT_EQ(server.sessions.size(), 2u);
  EXPECT_EQ(server.opensOn.back(), 2);

  // A connection that breaks after it was used fails the open; the next open connects.
  server.sessions[1]->lost = true;
  EXPECT_THROW(c->OpenRecordset("q"), RuntimeError);
  EXPECT_EQ(server.sessions.size(), 2u);
  pool.Open(server, cs)->OpenRecordset("q");
  EXPECT_EQ(server.opensOn.back(), 3);

  // A refused connection is not remembered: the next open tries again.
  server.sessions[2]->lost = true;
  server.sessions[2]->noticed = true;
  server.refuse = true;
  EXPECT_THROW(pool.Open(server, cs), RuntimeError);
  server.refuse = false;
  pool.Open(server, cs)->OpenRecordset("q");
  EXPECT_EQ(server.opensOn.back(), 4);
  EXPECT_EQ(pool.ConnectionsMade(), 4);

  // Another data source and another scan's pool get connections of their own.
  pool.Open(server, "Data Source=B")->OpenRecordset("q");
  ConnectionPool other;
  other.Open(server, cs)->OpenRecordset("q");
  EXPECT_EQ(server.opensOn, (std::vector<int>{1, 1, 2, 2, 3, 4, 5, 6}));
}

// The real driver: a session the server ended is noticed and replaced.
TEST(ConnectionPool, ReconnectsAfterThePostgresServerEndedTheSession) {
  KORVANE_SKIP_UNLESS_AVAILABLE(InventoryBackend::Postgres);
  Inventory inventory(InventoryBackend::Postgres);
  const std::unique_ptr<DatabaseServer> server = MakeDatabaseServer();
  ConnectionPool pool;
  auto backendPid = [&] {
    auto rs = pool.Open(*server, inventory.ConnectionString())->OpenRecordset("SELECT pg_backend_pid()");
    return rs->Field(0);
  };
  const Variant first = backendPid();
  EXPECT_EQ(backendPid(), first);
  inventory.Rows("SELECT pg_terminate_backend(" + std::to_string(first.long_value()) + ")");
  const Variant second = backendPid();
  EXPECT_NE(second, first);
  EXPECT_EQ(pool.ConnectionsMade(), 2);
}

}  // namespace
}  // namespace korvane::test

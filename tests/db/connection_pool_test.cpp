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

// A server whose sessions can be lost. A connection whose session was lost while idle
// only knows it after its next call failed, as ODBC drivers do.
class FakeServer : public DatabaseServer {
 public:
  enum class Session { Up, Lost, Noticed };

  class FakeConnection : public Connection {
   public:
    FakeConnection(FakeServer& server, std::size_t session) : server_(server), session_(session) {}
    std::unique_ptr<Recordset> OpenRecordset(const std::string&) override {
      if (server_.sessions[session_] != Session::Up) {
        server_.sessions[session_] = Session::Noticed;
        throw RuntimeError(-1, "server closed the connection unexpectedly");
      }
      server_.opensOn.push_back(static_cast<int>(session_) + 1);
      return nullptr;
    }
    void Execute(const std::string&) override {}
    std::string LastErrorDescription() override { return {}; }
    std::unique_ptr<Connection> Share() override { return std::make_unique<FakeConnection>(server_, session_); }
    bool Broken() override { return server_.sessions[session_] == Session::Noticed; }

   private:
    FakeServer& server_;
    std::size_t session_;
  };

  std::unique_ptr<Connection> Open(const std::string&) override {
    if (refusals-- > 0) throw RuntimeError(-1, "too many clients already");
    sessions.push_back(Session::Up);
    return std::make_unique<FakeConnection>(*this, sessions.size() - 1);
  }

  int refusals = 0;  // how many of the next connects to refuse
  std::vector<Session> sessions;
  std::vector<int> opensOn;  // the session (counted from 1) each successful recordset open used
};

TEST(ConnectionPool, SharesOneConnectionReplacesOneThatBrokeAndTakesOneMadeAhead) {
  FakeServer server;
  ConnectionPool pool;
  const std::string cs = "Data Source=A";

  // Every open shares the first connection.
  auto a = pool.Open(server, cs);
  pool.Open(server, cs)->OpenRecordset("q");
  a->OpenRecordset("q");

  // A connection that broke while idle: the first open on it connects again and repeats;
  // the others share the new one from then on.
  server.sessions[0] = FakeServer::Session::Lost;
  auto c = pool.Open(server, cs);
  c->OpenRecordset("q");
  pool.Open(server, cs)->OpenRecordset("q");

  // A connection that breaks after it was used fails the open; the next open connects.
  server.sessions[1] = FakeServer::Session::Lost;
  EXPECT_THROW(c->OpenRecordset("q"), RuntimeError);
  pool.Open(server, cs)->OpenRecordset("q");

  // A refused connection is not remembered: the next open tries again.
  server.sessions[2] = FakeServer::Session::Noticed;
  server.refusals = 1;
  EXPECT_THROW(pool.Open(server, cs), RuntimeError);
  pool.Open(server, cs)->OpenRecordset("q");
  EXPECT_EQ(pool.ConnectionsMade(), 4);

  // Another data source and another scan's pool get connections of their own.
  pool.Open(server, "Data Source=B")->OpenRecordset("q");
  ConnectionPool other;
  other.Open(server, cs)->OpenRecordset("q");
  EXPECT_EQ(server.opensOn, (std::vector<int>{1, 1, 2, 2, 3, 4, 5, 6}));

  // A connection made ahead is the one the first open takes, after it read the queries it
  // was given; one that failed ahead is forgotten, and the open connects itself.
  FakeServer ahead;
  {
    ConnectionPool madeAhead;
    madeAhead.OpenAhead(ahead, cs, {"first", "second"});
    madeAhead.OpenAhead(ahead, cs, {"again"});
    madeAhead.Open(ahead, cs)->OpenRecordset("q");
    madeAhead.Open(ahead, cs)->OpenRecordset("q");
    EXPECT_EQ(madeAhead.ConnectionsMade(), 1);
    EXPECT_EQ(ahead.opensOn, (std::vector<int>{1, 1, 1, 1}));
  }
  ahead.refusals = 1;
  ConnectionPool failedAhead;
  failedAhead.OpenAhead(ahead, cs, {"first"});
  failedAhead.Open(ahead, cs)->OpenRecordset("q");
  EXPECT_EQ(failedAhead.ConnectionsMade(), 1);
  EXPECT_EQ(ahead.sessions.size(), 2u);
  EXPECT_EQ(ahead.opensOn.back(), 2);
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

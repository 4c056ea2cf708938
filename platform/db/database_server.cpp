#include "platform/db/database_server.h"

#include "platform/runtime_error.h"

namespace korvane {

namespace {
class NoDatabase : public DatabaseServer {
 public:
  std::unique_ptr<Connection> Open(const std::string&) override {
    throw RuntimeError(-2147467259, "No database backend is built in");
  }
};
}  // namespace

std::unique_ptr<DatabaseServer> MakeDatabaseServer() { return std::make_unique<NoDatabase>(); }

}  // namespace korvane

// The whole-inventory reading (batches of computers, one query per table and batch)
// against the keyed reading of one computer that the scanner itself does: the same rows
// for every computer, across batch boundaries, letter case between the tables, names
// with letters beyond A to Z, duplicate rows and missing ones.
#include <gtest/gtest.h>

#include <map>

#include "console/rows/inventory_rows.h"
#include "inventory/query_texts.h"
#include "platform/runtime_error.h"
#include "tests/support/inventory_fixture.h"

namespace korvane::console {
namespace {

using test::InventoryBackend;

std::string Q(const std::string& text) { return "'" + QuoteInLiteral(text) + "'"; }

std::string Described(const ComputerRows& c) {
  std::string d = Text(c.asset[asset::kComputer]) + "|" + Text(c.asset[asset::kHistory]) + "|" +
                  Text(c.asset[asset::kSerialNumber]);
  d += "|sw:" + (c.softwareList ? "[" + *c.softwareList + "]" : std::string("none"));
  d += "|sv:" + (c.serviceList ? "[" + *c.serviceList + "]" : std::string("none"));
  d += "|la:" + (c.lastAccess ? "[" + Text(*c.lastAccess) + "]" : std::string("none"));
  for (const DriveSeries& s : c.drives) d += "|" + std::string(1, s.letter) + ":" + s.history;
  return d;
}

// A server whose order of keys is not the console's (another collation): a batch's
// stretch of keys holds none of them, and each is looked up by key.
class OtherOrder : public Connection {
 public:
  explicit OtherOrder(Connection& real) : real_(real) {}
  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override {
    const std::size_t between = query.find(" BETWEEN ");
    return real_.OpenRecordset(between == std::string::npos ? query : query.substr(0, between) + " IS NULL");
  }
  void Execute(const std::string& statement) override { real_.Execute(statement); }
  std::string LastErrorDescription() override { return real_.LastErrorDescription(); }

 private:
  Connection& real_;
};

// The item counts that an inventory keeps beside its lists (PostgreSQL's schema): the
// queries that read them, or each refused as by an inventory without them.
class KeptCounts : public Connection {
 public:
  KeptCounts(Connection& real, bool refuse) : real_(real), refuse_(refuse) {}
  std::unique_ptr<Recordset> OpenRecordset(const std::string& query) override {
    if (query.find("Items FROM") == std::string::npos) return real_.OpenRecordset(query);
    if (refuse_) throw RuntimeError(1, "no such column");
    std::unique_ptr<Recordset> rs = real_.OpenRecordset(query);
    ++read;
    return rs;
  }
  void Execute(const std::string& statement) override { real_.Execute(statement); }
  std::string LastErrorDescription() override { return real_.LastErrorDescription(); }
  int read = 0;

 private:
  Connection& real_;
  bool refuse_;
};

class ConsoleRows : public ::testing::TestWithParam<InventoryBackend> {};

TEST_P(ConsoleRows, TheWholeInventoryReadsAsEachComputerDoes) {
  KORVANE_SKIP_UNLESS_AVAILABLE(GetParam());
  test::Inventory inventory(GetParam());
  const std::string prefix = test::UniqueComputerName("ROWS");
  std::vector<std::string> names;
  for (int i = 0; i < 905; ++i) names.push_back(prefix + "-" + std::to_string(i));
  names.push_back(prefix + "-\xC3\x84rger");       // Ärger
  names.push_back(prefix + "-O'Brien");
  std::string assets, software, services, access, drives;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& n = names[i];
    // Some computers are keyed in the other tables in another letter case, as a scan under
    // a name typed differently leaves them.
    std::string other = n;
    if (i % 7 == 3) {
      for (char& ch : other) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    assets += std::string(assets.empty() ? "" : ",") + "(" + Q(n) + "," + Q("2026/11/0" + std::to_string(1 + i % 9) +
              " 09:00:00~New Record Created") + "," + Q("SN" + std::to_string(i % 100)) + ")";
    // Lists as other writers leave them: empty items, a Null list, an empty one.
    const std::string list = i % 13 == 1   ? std::string("^Prog^^") + std::to_string(i) + "^^"
                             : i % 13 == 2 ? std::string("^")
                             : i % 13 == 3 ? std::string("")
                                           : "Prog " + std::to_string(i) + "^Other";
    if (i % 5 != 0) software += std::string(software.empty() ? "" : ",") + "(" + Q(other) + "," + (i % 13 == 4 ? std::string("NULL") : Q(list)) + ")";
    if (i % 11 == 0) software += std::string(software.empty() ? "" : ",") + "(" + Q(n) + ",'second row')";
    if (i % 4 != 1) services += std::string(services.empty() ? "" : ",") + "(" + Q(other) + "," + Q("Svc " + std::to_string(i)) + ")";
    access += std::string(access.empty() ? "" : ",") + "(" + Q(other) + "," +
              (i % 6 == 0 ? std::string("NULL") : Q("2026/11/2" + std::to_string(i % 9) + " 08:00:00")) + ")";
    for (const char* letter : {"C", "D", "J"}) {
      if (letter[0] == 'D' && i % 3 != 0) continue;
      if (letter[0] == 'J' && i % 10 != 0) continue;
      drives += std::string(drives.empty() ? "" : ",") + "(" + Q(other + "~" + letter) + "," +
                Q("^2026/11/01," + std::to_string(i)) + "," + Q(other) + ")";
    }
  }
  // Two spellings of one computer, each with rows of its own (an earlier version added both).
  for (const std::string& twin : {prefix + "-Twin", prefix + "-TWIN"}) {
    names.push_back(twin);
    assets += ",(" + Q(twin) + ",'','" + twin + "')";
    software += ",(" + Q(twin) + "," + Q("list of " + twin) + ")";
  }
  inventory.Execute("INSERT INTO Asset (Computer, History, SerialNumber) VALUES " + assets);
  inventory.Execute("INSERT INTO Software (SoftComputer, SoftwareList) VALUES " + software);
  inventory.Execute("INSERT INTO Services (ServComputer, ServiceList) VALUES " + services);
  inventory.Execute("INSERT INTO LastAccess (Computer, LastAccessTime) VALUES " + access);
  inventory.Execute("INSERT INTO DriveHistory (DiskComputer, DiskHistory, DiskComputerName) VALUES " + drives);

  auto connection = inventory.Connect();
  // In the order of the computer list.
  std::vector<std::string> listed;
  for (const std::string& n : ComputerNames(*connection)) {
    if (n.rfind(prefix, 0) == 0) listed.push_back(n);
  }
  const auto readsAsEachComputer = [&](Connection& reading, const char* server) {
    std::map<std::string, std::string> streamed;
    std::vector<std::string> order;
    ForEachComputer(reading, kReadAll, [&](ComputerRows& c) {
      const std::string name = Text(c.asset[asset::kComputer]);
      if (name.rfind(prefix, 0) != 0) return;  // a shared server holds other tests' computers
      order.push_back(name);
      streamed[name] = Described(c);
    });
    ASSERT_EQ(streamed.size(), names.size()) << server;
    EXPECT_EQ(order, listed) << server << ": each computer once, in the list's order";
    for (const std::string& n : names) {
      const std::optional<ComputerRows> keyed = ReadComputer(*connection, n);
      ASSERT_TRUE(keyed) << n;
      EXPECT_EQ(streamed[n], Described(*keyed)) << n << " " << server;
    }
  };
  readsAsEachComputer(*connection, "this server");
  OtherOrder otherOrder(*connection);
  readsAsEachComputer(otherOrder, "a server ordering keys otherwise");

  // The listings read Asset without its History and count the lists; an inventory made
  // elsewhere, with its columns named otherwise, is read by position instead.
  const auto counted = [&](const char* when, Connection& reading) {
    std::size_t seen = 0;
    ForEachComputer(reading, kCountSoftware | kCountServices, [&](ComputerRows& c) {
      const std::string name = Text(c.asset[asset::kComputer]);
      if (name.rfind(prefix, 0) != 0) return;
      ++seen;
      const std::optional<ComputerRows> keyed = ReadComputer(*connection, name);
      EXPECT_EQ(Text(c.asset[asset::kSerialNumber]) + "|" + std::to_string(c.ProgramCount()) + "|" +
                    std::to_string(c.ServiceCount()),
                Text(keyed->asset[asset::kSerialNumber]) + "|" + std::to_string(keyed->ProgramCount()) + "|" +
                    std::to_string(keyed->ServiceCount()))
          << name << " " << when;
    });
    EXPECT_EQ(seen, names.size()) << when;
  };
  KeptCounts kept(*connection, false), refused(*connection, true);
  counted("by name", kept);
  EXPECT_EQ(kept.read > 0, GetParam() != InventoryBackend::Sqlite) << "the counts kept by the server are read";
  counted("without kept counts", refused);
  if (GetParam() == InventoryBackend::Sqlite) {  // the server's Asset is shared with other tests
    inventory.Execute("ALTER TABLE Asset RENAME COLUMN Reserved1 TO Spare1");
    counted("by position", *connection);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, ConsoleRows, test::ServerBackends(),
                         [](const auto& p) { return test::BackendName(p.param); });

}  // namespace
}  // namespace korvane::console

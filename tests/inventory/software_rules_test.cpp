// Loading software list texts and comparing two lists: the entries and their order must
// be those of the plain nested scan by name, however the comparison is done.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/software_reconcile.h"

namespace korvane {
namespace {

const std::string S = "\xC2\xA7";  // the section sign between the parts of an item

std::string Item(const std::string& name, const std::string& version,
                 const std::string& location = "", const std::string& id = "") {
  return name + S + version + S + location + S + id;
}

std::vector<std::string> Compare(const SoftwareTable& stored, const SoftwareTable& collected) {
  std::vector<std::string> out;
  CompareSoftwareLists(stored, collected, [&](const std::string& t) { out.push_back(t); });
  return out;
}

// The comparison as it reads in words: a nested scan in both directions.
std::vector<std::string> NestedScan(const SoftwareTable& stored, const SoftwareTable& collected) {
  std::vector<std::string> out;
  for (const auto& s : stored) {
    const SoftwareEntry* match = nullptr;
    for (const auto& c : collected) {
      if (c.Program == s.Program) { match = &c; break; }
    }
    if (!match) { out.push_back("Software removed : " + s.Program); continue; }
    if (s.Version != match->Version) out.push_back(s.Program + " Version changed from " + s.Version + " To " + match->Version);
    if (s.Location != match->Location) out.push_back(s.Program + " Location changed from " + s.Location + " To " + match->Location);
    if (s.ProductID != match->ProductID) out.push_back(s.Program + " Product ID changed from " + s.ProductID + " To " + match->ProductID);
  }
  for (const auto& c : collected) {
    bool known = false;
    for (const auto& s : stored) known = known || s.Program == c.Program;
    if (!known) out.push_back("New Software installed : " + c.Program);
  }
  return out;
}

TEST(SoftwareList, LoadingFollowsTheItemRules) {
  // Sorted by name; an item without a name is skipped. An empty item ends the load at
  // once, leaving the rows as added; so does a nameless last item, which sends the load
  // back for an item that is empty. A remainder of one character is not an item.
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {Item("Solo", "1"), {"Solo"}},
      {Item("zip", "1") + "^" + Item("", "9") + "^" + Item("Adobe", "2") + "^" + Item("beta", "3"),
       {"Adobe", "beta", "zip"}},
      {Item("B", "2") + "^" + Item("A", "1") + "^^" + Item("C", "3"), {"B", "A"}},
      {Item("B", "2") + "^" + Item("A", "1") + "^" + Item("", "3"), {"B", "A"}},
      {Item("B", "2") + "^" + Item("A", "1") + "^X", {"A", "B"}},
      {Item("B", "2") + "^", {"B"}},
      {"", {}}};
  for (const auto& [text, names] : cases) {
    SoftwareTable table;
    LoadSoftwareList(text, table);
    std::vector<std::string> loaded;
    for (const auto& entry : table) loaded.push_back(entry.Program);
    EXPECT_EQ(loaded, names) << text;
  }
}

TEST(SoftwareCompare, EntriesAndOrderOfTheNestedScan) {
  // Generated lists with shared, missing, renamed-by-case and duplicated names, and
  // versions, locations and product IDs that change.
  SoftwareTable a, b;
  std::string ta, tb;
  for (int i = 0; i < 600; ++i) {
    const std::string name = (i % 7 == 0 ? "prog" : "Prog") + std::to_string(i % 450);
    ta += (ta.empty() ? "" : "^") + Item(name, std::to_string(i % 5), "L" + std::to_string(i % 3));
    if (i % 11 != 0) {
      tb += (tb.empty() ? "" : "^") + Item(name, std::to_string(i % 4), "L" + std::to_string(i % 5), i % 13 ? "" : "id");
    }
    if (i % 17 == 0) tb += (tb.empty() ? "" : "^") + Item("Extra" + std::to_string(i), "1");
  }
  LoadSoftwareList(ta, a);
  LoadSoftwareList(tb, b);
  ASSERT_EQ(a.size(), 600u);
  ASSERT_EQ(b.size(), 600u - 55u + 36u);
  EXPECT_EQ(Compare(a, b), NestedScan(a, b));
  EXPECT_EQ(Compare(b, a), NestedScan(b, a));
}

TEST(SoftwareCompare, ListsBeyondTheSixteenBitCounterRecordNothing) {
  SoftwareTable big(kMaxComparedPrograms + 1, SoftwareEntry{"P", "1", "", ""});
  SoftwareTable small{SoftwareEntry{"Q", "1", "", ""}};
  std::vector<std::string> out;
  auto record = [&](const std::string& t) { out.push_back(t); };
  EXPECT_ANY_THROW(CompareSoftwareLists(big, small, record));
  EXPECT_ANY_THROW(CompareSoftwareLists(small, big, record));
  EXPECT_TRUE(out.empty());
  big.pop_back();
  CompareSoftwareLists(big, small, record);
  EXPECT_EQ(out.size(), big.size() + 1);
}

}  // namespace
}  // namespace korvane

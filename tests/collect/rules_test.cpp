// The pure text and number rules of the collectors.
#include <gtest/gtest.h>

#include "collect/logged_on_user.h"
#include "collect/nt_fallback.h"
#include "collect/remote_registry.h"
#include "collect/service_list.h"
#include "collect/wmi_collector.h"
#include "platform/target.h"

namespace korvane {
namespace {

using namespace std::string_literals;

TEST(CollectRules, CollapseSpacesRemovesPairsAndLeavesOneOfAnOddRun) {
  // Characters, not bytes: a multi-byte character is taken whole.
  for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"Intel(R) Pentium(R) 4 CPU 2.80GHz", "Intel(R) Pentium(R) 4 CPU 2.80GHz"}, {"  Intel Xeon", "Intel Xeon"},
           {"   Intel Xeon", " Intel Xeon"}, {"Intel  Xeon", "IntelXeon"}, {"Intel     Xeon    ", "Intel Xeon"},
           {" ", ""}, {"   ", ""}, {"", ""}, {"Cœur  ™ 5", "Cœur™ 5"}}) {
    EXPECT_EQ(CollapseSpaces(in), out) << "'" << in << "'";
  }
}

TEST(CollectRules, StripNullAndTheStringTypeWalk) {
  EXPECT_EQ(StripNull("5.1"), "5.1");
  EXPECT_EQ(StripNull("\0abc"s), "");
  EXPECT_EQ(StripNull("ab\0cd\0"s), "ab");
  EXPECT_EQ(WidePtrToString("jsmith\0junk"s), "jsmith");
  EXPECT_EQ(RegistryStringText(kRegSz, "5.1\0"s), "5.1");
  EXPECT_EQ(RegistryStringText(kRegSz, "a\0b\0"s), "a");
  // A NUL becomes a blank and the character after it is taken unexamined.
  EXPECT_EQ(RegistryStringText(kRegMultiSz, "x\0\0y\0"s), "x \0y "s);
  EXPECT_EQ(RegistryStringText(kRegExpandSz, ""), "");
}

TEST(CollectRules, ServiceEntryCountRoundsHalvesToEvenAndVersionNames) {
  // 0, 1.5, 2.5, 3.5, 3.78 and 1.47 entries
  for (const auto& [bytes, entries] :
       std::vector<std::pair<uint32_t, uint32_t>>{{0, 1}, {18, 2}, {54, 2}, {90, 4}, {100, 4}, {17, 1}}) {
    EXPECT_EQ(ServiceEntryCount(bytes), entries) << bytes;
  }
  for (const auto& [version, name] : std::vector<std::pair<std::string, std::string>>{
           {"5.1", "Windows XP"}, {"5.0", "Windows 2000"}, {"4.0", "Windows NT"}, {"5.2", "5.2"}, {"6.0", "6.0"}, {"", ""}}) {
    EXPECT_EQ(VersionName(version), name);
  }
}

}  // namespace
}  // namespace korvane

// The scanner's own encoding of the remote calls: every damaged form of the replies
// captured from a Samba server is refused, and a server that answers badly leaves each
// call with a Windows error rather than a crash or a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/smb/credentials.h"
#include "platform/smb/ndr.h"
#include "platform/smb/smb_targets.h"
#include "platform/smb/svcctl_ndr.h"
#include "platform/smb/winreg_ndr.h"
#include "platform/smb/wkssvc_ndr.h"

namespace korvane::smb {
namespace {

// A reply captured from the test server: the fuzz seed less its selector byte.
std::string Captured(const std::string& name) {
  std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/fuzz/corpus/smb_reply/" + name,
                   std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_FALSE(text.str().empty()) << name;
  return text.str().substr(1);
}

template <typename Decode>
void ExpectEveryCutRefused(const std::string& reply, Decode decode) {
  for (size_t n = 0; n < reply.size(); ++n) {
    EXPECT_THROW(decode(reply.substr(0, n)), NdrError) << "cut at " << n;
  }
  EXPECT_THROW(decode(reply + std::string(4, '\0')), NdrError) << "trailing bytes";
}

// What the replies hold is checked against the Samba target itself (samba_scan_e2e); here,
// that every cut of them, and trailing bytes, are refused.
TEST(SmbProtocol, DamagedCapturedRepliesAreRefused) {
  ExpectEveryCutRefused(Captured("winreg_enum_key"), winreg::DecodeEnumKey);
  ExpectEveryCutRefused(Captured("winreg_query_probe"), winreg::DecodeQueryValue);
  ExpectEveryCutRefused(Captured("wkssvc_enum_users"), wkssvc::DecodeEnumUsers);
}

TEST(SmbProtocol, CountsThatTheReplyCannotHoldAreRefused) {
  // An array with a non-zero offset, and one longer than its conformance.
  for (const auto& words : {std::vector<uint32_t>{4, 1, 2, 0}, std::vector<uint32_t>{1, 0, 2, 0}}) {
    NdrWriter array;
    for (uint32_t word : words) array.U32(word);
    EXPECT_THROW(NdrReader(array.Bytes()).String(), NdrError);
  }

  // A logon list that announces 2^28 records in a short reply.
  NdrWriter users;
  users.U32(1);
  users.U32(1);
  users.Referent();
  users.U32(0x10000000);
  users.Referent();
  users.U32(0x10000000);
  users.U32(0);
  users.U32(0);
  EXPECT_THROW(wkssvc::DecodeEnumUsers(users.Bytes()), NdrError);

  // Service names outside the buffer, and names without their end.
  std::string record(36, '\0');
  record[0] = 100;
  EXPECT_THROW(svcctl::ParseServices(record, 1), NdrError);
  record[0] = 36;
  EXPECT_THROW(svcctl::ParseServices(record + "A", 1), NdrError);
  EXPECT_THROW(svcctl::ParseServices(record, 2), NdrError);
  // A listing buffer of another size than offered.
  EXPECT_THROW(svcctl::DecodeEnumServicesStatus(Captured("svcctl_enum"), 16), NdrError);

  // A value that announces more than any value may hold.
  NdrWriter huge;
  huge.Referent();
  huge.U32(1);
  huge.NullPointer();
  huge.Referent();
  huge.U32(0x7FFFFFFF);
  huge.Referent();
  huge.U32(0);
  huge.U32(0);
  EXPECT_THROW(winreg::DecodeQueryValue(huge.Bytes()), NdrError);
}

// A server of scripted replies: one per opnum, or the pipe's failure.
class ScriptedPipe : public RpcPipe {
 public:
  explicit ScriptedPipe(std::map<uint16_t, std::string> replies) : replies_(std::move(replies)) {}
  int32_t Call(uint16_t opnum, const std::string&, std::string& reply) override {
    ++calls;
    auto it = replies_.find(opnum);
    if (it == replies_.end()) return kErrorCallFailed;
    reply = it->second;
    return 0;
  }
  int calls = 0;

 private:
  std::map<uint16_t, std::string> replies_;
};

class ScriptedTransport : public Transport {
 public:
  ScriptedTransport(std::map<uint16_t, std::string> replies, int* opens)
      : replies_(std::move(replies)), opens_(opens) {}
  std::unique_ptr<RpcPipe> Open(const std::string&, Interface, int32_t& error) override {
    ++*opens_;
    error = 0;
    return std::make_unique<ScriptedPipe>(replies_);
  }
  std::optional<ShareSpace> Space(const std::string&, const std::string&) override {
    return std::nullopt;
  }

 private:
  std::map<uint16_t, std::string> replies_;
  int* opens_;
};

TEST(SmbProtocol, ABadServerGivesErrorsAndOnePipeServesTheScan) {
  int opens = 0;
  const std::string handle = Captured("winreg_open_hklm");
  // Every subkey index answers with the same name: an endless list.
  SmbServices endless([&] {
    return std::make_unique<ScriptedTransport>(
        std::map<uint16_t, std::string>{{winreg::kOpenHklm, handle},
                                        {winreg::kOpenKey, handle},
                                        {winreg::kEnumKey, Captured("winreg_enum_key")},
                                        {winreg::kQueryValue, Captured("winreg_query_long").substr(0, 100)}},
        &opens);
  });
  for (int read = 0; read < 3; ++read) {
    std::unique_ptr<RegistryKey> root;
    ASSERT_EQ(endless.Registry().Connect("pc", kHkeyLocalMachine, root), 0);
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(root->OpenKey("Software", 0, 8, key), 0);
    uint32_t index = 0;
    std::string name;
    while (key->EnumKey(index, name, 256) == 0) ++index;
    EXPECT_EQ(index, 32768u);
    uint32_t type = 0;
    uint32_t size = 0;
    // A truncated value reply: a failed call, not a value.
    EXPECT_EQ(key->QueryValue("InstallLocation", type, nullptr, size), kErrorCallFailed);
  }
  EXPECT_EQ(opens, 1);  // one pipe for the three reads

  // Replies that do not decode: the failed call's error everywhere.
  SmbServices garbage([&] {
    return std::make_unique<ScriptedTransport>(
        std::map<uint16_t, std::string>{{winreg::kOpenHklm, "\x01\x02\x03"},
                                        {svcctl::kOpenScManager, std::string(200, '\xFF')},
                                        {wkssvc::kEnumUsers, std::string(7, '\0')}},
        &opens);
  });
  std::unique_ptr<RegistryKey> root;
  EXPECT_EQ(garbage.Registry().Connect("pc", kHkeyLocalMachine, root), kErrorCallFailed);
  EXPECT_EQ(garbage.Services().Open("pc", 4), nullptr);
  std::vector<WkstaUserInfo1> users;
  uint32_t read = 0, total = 0, resume = 0;
  EXPECT_EQ(garbage.Workstation().NetWkstaUserEnum("pc", 1, 256, users, read, total, resume),
            static_cast<uint32_t>(kErrorCallFailed));

  // No transport (no credentials): every computer is out of reach.
  SmbServices none([] { return std::unique_ptr<Transport>(); });
  EXPECT_EQ(none.Registry().Connect("pc", kHkeyLocalMachine, root), kErrorBadNetPath);
  uint64_t a = 0, b = 0, c = 0;
  EXPECT_FALSE(none.Shares().GetDiskFreeSpaceEx("\\\\pc\\C$", a, b, c));
}

TEST(SmbCredentials, AuthenticationFileReadAndRefusedWhenOthersMayReadIt) {
  const auto parsed = ParseAuthenticationFile("username = scan\n password=s3 cret \ndomain = LAB\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->user, "scan");
  EXPECT_EQ(parsed->password, "s3 cret");
  EXPECT_EQ(parsed->domain, "LAB");
  EXPECT_FALSE(ParseAuthenticationFile("password = x\n"));

  const auto dir = std::filesystem::temp_directory_path() / ("korvane-cred-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "auth";
  std::ofstream(file) << "username = scan\npassword = secret\n";
  std::map<std::string, std::string> env{{"KORVANE_CREDENTIALS", file.string()},
                                         {"KRB5CCNAME", "FILE:" + (dir / "no-cache").string()}};
  const EnvironmentLookup lookup = [&](std::string_view name) -> std::optional<std::string> {
    auto it = env.find(std::string(name));
    if (it == env.end()) return std::nullopt;
    return it->second;
  };
  std::string why;
  chmod(file.c_str(), 0640);
  EXPECT_FALSE(FindCredentials(lookup, why));
  EXPECT_NE(why.find("open to its group or others"), std::string::npos);
  EXPECT_EQ(why.find("secret"), std::string::npos);
  chmod(file.c_str(), 0600);
  const auto found = FindCredentials(lookup, why);
  ASSERT_TRUE(found);
  EXPECT_FALSE(found->kerberos);
  EXPECT_EQ(found->user, "scan");
  // A credential cache wins over the file.
  std::ofstream(dir / "cache") << "x";
  env["KRB5CCNAME"] = "FILE:" + (dir / "cache").string();
  const auto cached = FindCredentials(lookup, why);
  ASSERT_TRUE(cached);
  EXPECT_TRUE(cached->kerberos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvane::smb

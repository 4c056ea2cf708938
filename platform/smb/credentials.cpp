#include "platform/smb/credentials.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace korvane::smb {

namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool CacheExists(const EnvironmentLookup& env) {
  std::string name;
  if (auto v = env("KRB5CCNAME"); v && !v->empty()) {
    name = *v;
    if (name.rfind("FILE:", 0) == 0) {
      name = name.substr(5);
    } else if (name.find(':') != std::string::npos) {
      return true;  // a cache kept elsewhere than in a file: let Kerberos find it
    }
  } else {
    name = "/tmp/krb5cc_" + std::to_string(getuid());
  }
  struct stat st {};
  return stat(name.c_str(), &st) == 0;
}

}  // namespace

std::optional<Credentials> ParseAuthenticationFile(std::string_view text) {
  Credentials c;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view key = Trim(std::string_view(line).substr(0, eq));
    const std::string value{Trim(std::string_view(line).substr(eq + 1))};
    if (key == "username") {
      c.user = value;
    } else if (key == "password") {
      c.password = value;
    } else if (key == "domain") {
      c.domain = value;
    }
  }
  if (c.user.empty()) return std::nullopt;
  return c;
}

std::optional<Credentials> FindCredentials(const EnvironmentLookup& env, std::string& why) {
  if (CacheExists(env)) {
    Credentials c;
    c.kerberos = true;
    return c;
  }
  const auto path = env("KORVANE_CREDENTIALS");
  if (!path || path->empty()) {
    why = "no Kerberos credential cache and no KORVANE_CREDENTIALS";
    return std::nullopt;
  }
  std::ifstream file(*path);
  struct stat st {};
  if (!file || stat(path->c_str(), &st) != 0) {
    why = "cannot read the credentials file " + *path;
    return std::nullopt;
  }
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    why = "the credentials file " + *path + " is open to its group or others";
    return std::nullopt;
  }
  std::stringstream text;
  text << file.rdbuf();
  auto c = ParseAuthenticationFile(text.str());
  if (!c) why = "the credentials file " + *path + " names no user";
  return c;
}

}  // namespace korvane::smb

// Whose rights the scanner uses on a remote computer. The command line carries no account,
// so it comes from the account's Kerberos credential cache when there is one, otherwise
// from the file named by KORVANE_CREDENTIALS, in the "username = / password = / domain ="
// form smbclient reads. A file that its group or others may read is refused: it holds a
// password.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/smb/transport.h"

namespace korvane::smb {

using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view)>;

// The lines of an authentication file; nullopt when it has no user name.
std::optional<Credentials> ParseAuthenticationFile(std::string_view text);

// The credentials to use, or nullopt with the reason (never the password) in why.
std::optional<Credentials> FindCredentials(const EnvironmentLookup& env, std::string& why);

}  // namespace korvane::smb

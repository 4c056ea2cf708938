// Every key and fixed word of the lab file format (docs/lab.md) in one place: the reader,
// the writer and the authoring tools spell them only through these names.
#pragma once

#include <string_view>

namespace korvane::lab::keys {

// Members of a computer file.
inline constexpr std::string_view kAliases = "aliases";
inline constexpr std::string_view kAddress = "address";
inline constexpr std::string_view kEcho = "echo";
inline constexpr std::string_view kWmi = "wmi";
inline constexpr std::string_view kRegistry = "registry";
inline constexpr std::string_view kServices = "services";
inline constexpr std::string_view kLogons = "logons";
inline constexpr std::string_view kShares = "shares";
inline constexpr std::string_view kLatency = "latencyMs";

// echo: true, false or an object of these.
inline constexpr std::string_view kEchoFrom = "from";
inline constexpr std::string_view kEchoStatus = "status";
inline constexpr std::string_view kEchoHandle = "handle";

// wmi
inline constexpr std::string_view kWmiConnect = "connect";
inline constexpr std::string_view kWmiClasses = "classes";
inline constexpr std::string_view kWmiQueryErrors = "queryErrors";
inline constexpr std::string_view kErrorNumber = "number";
inline constexpr std::string_view kErrorDescription = "description";

// registry
inline constexpr std::string_view kRegistryAccess = "access";
inline constexpr std::string_view kRegistryKeys = "keys";
inline constexpr std::string_view kAccessFull = "full";
inline constexpr std::string_view kAccessRead = "read";
inline constexpr std::string_view kAccessNone = "none";
inline constexpr std::string_view kValueType = "type";
inline constexpr std::string_view kValueData = "data";

// services
inline constexpr std::string_view kManager = "manager";
inline constexpr std::string_view kServiceList = "list";
inline constexpr std::string_view kManagerOk = "ok";
inline constexpr std::string_view kManagerRefused = "refused";
inline constexpr std::string_view kManagerEnumRefused = "enumRefused";
inline constexpr std::string_view kManagerGrows = "grows";
inline constexpr std::string_view kServiceName = "name";
inline constexpr std::string_view kServiceDisplay = "display";
inline constexpr std::string_view kServiceType = "type";
inline constexpr std::string_view kServiceState = "state";
inline constexpr std::string_view kTypeOwn = "own";
inline constexpr std::string_view kTypeShare = "share";
inline constexpr std::string_view kTypeDriver = "driver";

// logons
inline constexpr std::string_view kLogonStatus = "status";
inline constexpr std::string_view kLogonEntries = "entries";
inline constexpr std::string_view kLogonPerCall = "perCall";
inline constexpr std::string_view kLogonAddedAfterFirstCall = "addedAfterFirstCall";
inline constexpr std::string_view kLogonUser = "user";
inline constexpr std::string_view kLogonDomain = "domain";
inline constexpr std::string_view kLogonOtherDomains = "otherDomains";
inline constexpr std::string_view kLogonServer = "logonServer";

// shares
inline constexpr std::string_view kShareTotal = "total";
inline constexpr std::string_view kShareFree = "free";
inline constexpr std::string_view kShareAvailable = "available";

// latencyMs
inline constexpr std::string_view kLatencyEcho = "echo";
inline constexpr std::string_view kLatencyWmiConnect = "wmiConnect";
inline constexpr std::string_view kLatencyWmiQuery = "wmiQuery";
inline constexpr std::string_view kLatencyRegistry = "registry";
inline constexpr std::string_view kLatencyServices = "services";
inline constexpr std::string_view kLatencyLogons = "logons";
inline constexpr std::string_view kLatencyShares = "shares";

// Registry keys the scanner reads and the authoring tools write, root spelled out.
inline constexpr std::string_view kCurrentVersionKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr std::string_view kUninstallKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Where 64-bit programs see a 64-bit computer's 32-bit view of the Software key, and its
// uninstall entries there; a computer without kWow64Key is a 32-bit one.
inline constexpr std::string_view kWow64Key = "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node";
inline constexpr std::string_view kUninstall32Key =
    "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::string_view kTcpipKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
inline constexpr std::string_view kInternationalKey =
    "HKEY_USERS\\.DEFAULT\\Control Panel\\International";

}  // namespace korvane::lab::keys

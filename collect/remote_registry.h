// The remote registry primitives shared by the access check, the NT fallback and the
// software collector. Each call connects to the target's registry afresh. Registry
// statuses are never errors here: whatever cannot be opened or read yields empty text or
// no names, which is exactly what the callers test for.
#pragma once

#include <cstdint>
#include <string>

#include "platform/target.h"
#include "scan/scratch_lists.h"

namespace korvane {

struct Korvane;

// The registry views of a 64-bit Windows, added to a key's access mask. The default (no
// flag) is the view of the remote computer's own kind; a 32-bit Windows ignores both.

// The value as text for REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ; empty text for every
// other type and for whatever cannot be reached. Never raises: a run-time error is
// logged as "Error listing software", reported as "Complete", and gives empty text.
std::string ReadRemoteValue(Korvane& k, const std::string& computer, uint32_t root,
                            const std::string& keyPath, const std::string& valueName,
                            uint32_t view = 0);

// Appends the names of the direct subkeys of keyPath to list, in enumeration order.
// Traps run-time errors like ReadRemoteValue.
void EnumRemoteSubkeys(Korvane& k, const std::string& computer, uint32_t root,
                       const std::string& keyPath, TextList& list, uint32_t view = 0);

// Whether keyPath opens for enumerating its subkeys in the view. Traps run-time errors
// like ReadRemoteValue (and then answers false).
bool RemoteKeyExists(Korvane& k, const std::string& computer, uint32_t root,
                     const std::string& keyPath, uint32_t view = 0);

// The text before the first NUL character; the whole text when it holds none.
std::string StripNull(const std::string& text);

// How the string types reach the caller once queried: REG_SZ up to its first NUL;
// REG_EXPAND_SZ and REG_MULTI_SZ walked so that each NUL turns into a blank and the
// character after it is taken as it is.
std::string RegistryStringText(uint32_t type, const std::string& buffer);

}  // namespace korvane

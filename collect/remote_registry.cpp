#include "collect/remote_registry.h"

#include <memory>

#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/progress.h"
#include "platform/runtime_error.h"
#include "platform/target.h"

namespace korvane {

namespace {

// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |
// KEY_NOTIFY | KEY_CREATE_LINK: more than a read needs, so a key that the account may
// only read does not open and reads as empty text.
constexpr uint32_t kValueReadAccess = 0x3F;
constexpr uint32_t kKeyEnumerateSubKeys = 0x8;
constexpr uint32_t kSubkeyNameChars = 256;

// The trap both primitives share; the scan goes on after it.
void ReportTrappedError(Korvane& k, const RuntimeError& e) {
  LogError(k, "Error listing software", k.ctx.ComputerName + ":" + e.description());
  Progress(k, progress::kComplete);
}

// Connects to root on the computer and opens keyPath with the access mask; nullptr
// when either step reports a status other than success.
std::unique_ptr<RegistryKey> OpenRemoteKey(Korvane& k, const std::string& computer,
                                           uint32_t root, const std::string& keyPath,
                                           uint32_t access) {
  std::unique_ptr<RegistryKey> rootKey;
  if (k.platform.targets->Registry().Connect(computer, root, rootKey) != kErrorSuccess ||
      !rootKey) {
    return nullptr;
  }
  std::unique_ptr<RegistryKey> key;
  if (rootKey->OpenKey(keyPath, 0, access, key) != kErrorSuccess || !key) return nullptr;
  return key;
}

}  // namespace

std::string StripNull(const std::string& text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string RegistryStringText(uint32_t type, const std::string& buffer) {
  if (type == kRegSz) return StripNull(buffer);
  std::string result;
  result.reserve(buffer.size());
  // A NUL byte never occurs inside a UTF-8 sequence, so walking bytes gives the same
  // text as walking characters.
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (buffer[i] != '\0') {
      result += buffer[i];
      continue;
    }
    result += ' ';
    if (i + 1 < buffer.size()) result += buffer[i + 1];
    ++i;
  }
  return result;
}

std::string ReadRemoteValue(Korvane& k, const std::string& computer, uint32_t root,
                            const std::string& keyPath, const std::string& valueName, uint32_t view) {
  try {
    std::unique_ptr<RegistryKey> key =
        OpenRemoteKey(k, computer, root, keyPath, kValueReadAccess | view);
    if (!key) return {};
    uint32_t type = kRegNone;
    uint32_t size = 0;
    // The size probe (no buffer) answers with the type and the size; a missing value leaves
    // the type unset, so only the type counts.
    key->QueryValue(valueName, type, nullptr, size);
    if (type != kRegSz && type != kRegExpandSz && type != kRegMultiSz) return {};
    const uint32_t length = size;
    std::string buffer(length, '\0');
    key->QueryValue(valueName, type, &buffer, size);
    // The walk covers the length learnt from the probe, whatever the second call filled.
    buffer.resize(length, '\0');
    return RegistryStringText(type, buffer);
  } catch (const RuntimeError& e) {
    ReportTrappedError(k, e);
    return {};
  }
}

void EnumRemoteSubkeys(Korvane& k, const std::string& computer, uint32_t root,
                       const std::string& keyPath, TextList& list, uint32_t view) {
  try {
    std::unique_ptr<RegistryKey> key =
        OpenRemoteKey(k, computer, root, keyPath, kKeyEnumerateSubKeys | view);
    if (!key) return;
    for (uint32_t index = 0;; ++index) {
      std::string name;
      if (key->EnumKey(index, name, kSubkeyNameChars) != kErrorSuccess) return;
      list.push_back(StripNull(name));
    }
  } catch (const RuntimeError& e) {
    ReportTrappedError(k, e);
  }
}

bool RemoteKeyExists(Korvane& k, const std::string& computer, uint32_t root,
                     const std::string& keyPath, uint32_t view) {
  try {
    return OpenRemoteKey(k, computer, root, keyPath, kKeyEnumerateSubKeys | view) != nullptr;
  } catch (const RuntimeError& e) {
    ReportTrappedError(k, e);
    return false;
  }
}

}  // namespace korvane

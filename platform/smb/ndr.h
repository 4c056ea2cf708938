// Network Data Representation (little-endian, 32-bit pointers) as the Windows management
// interfaces carry it over DCE/RPC: just the pieces their calls use. The reader is strict:
// every count is checked against the bytes left, every pad and offset against what the
// encoding allows, and anything else is an NdrError, never a read past the reply.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane::smb {

class NdrError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A context handle as the server hands it out: opaque, 20 bytes.
struct ContextHandle {
  std::array<uint8_t, 20> bytes{};
  bool IsNull() const;
};

class NdrWriter {
 public:
  void Align(size_t n);
  void U16(uint16_t v);
  void U32(uint32_t v);
  void Handle(const ContextHandle& handle);
  // A non-null referent id; each call hands out the next one.
  void Referent();
  void NullPointer() { U32(0); }
  // A conformant varying UTF-16 string with its terminating NUL counted (the [string]
  // attribute); returns the number of UTF-16 units written, NUL included.
  uint32_t TerminatedString(std::string_view utf8);
  // A UTF-16 string counted in bytes, the way the registry's string structures carry
  // names: 16-bit length and size, then a pointer to the conformant varying characters.
  void CountedString(std::string_view utf8);
  const std::string& Bytes() const { return out_; }

 private:
  std::string out_;
  uint32_t nextReferent_ = 0x00020000;
};

class NdrReader {
 public:
  explicit NdrReader(std::string_view in) : in_(in) {}
  void Align(size_t n);
  uint16_t U16();
  uint32_t U32();
  ContextHandle Handle();
  // A pointer's referent id: 0 for null.
  uint32_t Pointer() { return U32(); }
  std::string_view Take(size_t n);
  // The conformance, offset and length of a conformant varying array whose length may
  // not exceed limit; the offset must be 0. Returns the length.
  uint32_t VaryingHeader(uint32_t limit);
  // A conformant varying UTF-16 string; the text before its first NUL, as UTF-8.
  std::string String();
  // The 32-bit status that closes every reply, after which nothing may follow.
  uint32_t Status();
  size_t Left() const { return in_.size() - pos_; }

 private:
  std::string_view in_;
  size_t pos_ = 0;
};

// UTF-16LE bytes to UTF-8, stopping at nothing: NULs stay in the text.
std::string Utf16leToUtf8(std::string_view bytes);

}  // namespace korvane::smb

#include "platform/smb/ndr.h"

#include <algorithm>
#include <cstring>

#include "platform/utf16.h"

namespace korvane::smb {

bool ContextHandle::IsNull() const {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

void NdrWriter::Align(size_t n) {
  while (out_.size() % n != 0) out_.push_back('\0');
}

void NdrWriter::U16(uint16_t v) {
  Align(2);
  out_.push_back(static_cast<char>(v & 0xFF));
  out_.push_back(static_cast<char>(v >> 8));
}

void NdrWriter::U32(uint32_t v) {
  Align(4);
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void NdrWriter::Handle(const ContextHandle& handle) {
  Align(4);
  out_.append(reinterpret_cast<const char*>(handle.bytes.data()), handle.bytes.size());
}

void NdrWriter::Referent() {
  U32(nextReferent_);
  nextReferent_ += 4;
}

uint32_t NdrWriter::TerminatedString(std::string_view utf8) {
  std::u16string wide = ToUtf16(std::string(utf8));
  wide.push_back(u'\0');
  const auto units = static_cast<uint32_t>(wide.size());
  U32(units);
  U32(0);
  U32(units);
  for (char16_t c : wide) U16(static_cast<uint16_t>(c));
  return units;
}

void NdrWriter::CountedString(std::string_view utf8) {
  const size_t units = ToUtf16(std::string(utf8)).size() + 1;
  if (units * 2 > 0xFFFF) throw NdrError("name too long for the registry");
  U16(static_cast<uint16_t>(units * 2));
  U16(static_cast<uint16_t>(units * 2));
  Referent();
  TerminatedString(utf8);
}

void NdrReader::Align(size_t n) {
  const size_t pad = (n - pos_ % n) % n;
  Take(pad);
}

std::string_view NdrReader::Take(size_t n) {
  if (n > Left()) throw NdrError("reply shorter than its contents");
  std::string_view part = in_.substr(pos_, n);
  pos_ += n;
  return part;
}

uint16_t NdrReader::U16() {
  Align(2);
  const auto b = Take(2);
  return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8);
}

uint32_t NdrReader::U32() {
  Align(4);
  const auto b = Take(4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
  return v;
}

ContextHandle NdrReader::Handle() {
  Align(4);
  ContextHandle handle;
  const auto b = Take(handle.bytes.size());
  std::memcpy(handle.bytes.data(), b.data(), b.size());
  return handle;
}

uint32_t NdrReader::VaryingHeader(uint32_t limit) {
  const uint32_t maximum = U32();
  const uint32_t offset = U32();
  const uint32_t length = U32();
  if (offset != 0) throw NdrError("array with a non-zero offset");
  if (length > maximum) throw NdrError("array longer than its conformance");
  if (length > limit) throw NdrError("array longer than allowed");
  return length;
}

std::string NdrReader::String() {
  const uint32_t units = VaryingHeader(0x7FFFFFFF);
  if (units > Left() / 2) throw NdrError("string longer than the reply");
  const std::string_view bytes = Take(static_cast<size_t>(units) * 2);
  std::string text = Utf16leToUtf8(bytes);
  return text.substr(0, text.find('\0'));
}

uint32_t NdrReader::Status() {
  const uint32_t status = U32();
  if (Left() != 0) throw NdrError("reply longer than its contents");
  return status;
}

std::string Utf16leToUtf8(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                         static_cast<uint8_t>(bytes[i + 1]) << 8));
  }
  return FromUtf16(wide);
}

}  // namespace korvane::smb

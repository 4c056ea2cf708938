#include "platform/smb/winreg_ndr.h"

namespace korvane::smb::winreg {

std::string EncodeOpenRoot(uint32_t access) {
  NdrWriter w;
  w.NullPointer();  // no system name
  w.U32(access);
  return w.Bytes();
}

HandleReply DecodeHandleReply(std::string_view reply) {
  NdrReader r(reply);
  HandleReply out;
  out.handle = r.Handle();
  out.status = r.Status();
  return out;
}

std::string EncodeCloseKey(const ContextHandle& key) {
  NdrWriter w;
  w.Handle(key);
  return w.Bytes();
}

uint32_t DecodeCloseKey(std::string_view reply) { return DecodeHandleReply(reply).status; }

std::string EncodeOpenKey(const ContextHandle& parent, std::string_view path, uint32_t options,
                          uint32_t access) {
  NdrWriter w;
  w.Handle(parent);
  w.CountedString(path);
  w.U32(options);
  w.U32(access);
  return w.Bytes();
}

std::string EncodeEnumKey(const ContextHandle& key, uint32_t index, uint16_t nameChars) {
  NdrWriter w;
  w.Handle(key);
  w.U32(index);
  // The name: empty, with room for nameChars characters.
  w.U16(0);
  w.U16(static_cast<uint16_t>(nameChars * 2));
  w.Referent();
  w.U32(nameChars);
  w.U32(0);
  w.U32(0);
  // The class: asked for, with no room; the server sends it empty.
  w.Referent();
  w.U16(0);
  w.U16(0);
  w.NullPointer();
  // The last write time, asked for: a FILETIME, two 32-bit halves.
  w.Referent();
  w.U32(0);
  w.U32(0);
  return w.Bytes();
}

namespace {

// A registry string structure: byte length, byte size, pointer, then the characters.
std::string CountedName(NdrReader& r) {
  const uint16_t length = r.U16();
  const uint16_t size = r.U16();
  if (length > size || length % 2 != 0) throw NdrError("registry string with a bad length");
  if (r.Pointer() == 0) return {};
  const uint32_t units = r.VaryingHeader(size / 2u);
  if (units != length / 2u) throw NdrError("registry string length disagrees with its array");
  std::string text = Utf16leToUtf8(r.Take(static_cast<size_t>(units) * 2));
  return text.substr(0, text.find('\0'));
}

}  // namespace

EnumKeyReply DecodeEnumKey(std::string_view reply) {
  NdrReader r(reply);
  EnumKeyReply out;
  out.name = CountedName(r);
  if (r.Pointer() != 0) CountedName(r);  // the class, unused
  if (r.Pointer() != 0) {  // the last write time, unused: two 32-bit halves
    r.U32();
    r.U32();
  }
  out.status = r.Status();
  return out;
}

std::string EncodeQueryValue(const ContextHandle& key, std::string_view name, uint32_t offered) {
  NdrWriter w;
  w.Handle(key);
  w.CountedString(name);
  w.Referent();  // type
  w.U32(0);
  if (offered == 0) {
    w.NullPointer();
  } else {
    w.Referent();
    w.U32(offered);
    w.U32(0);
    w.U32(0);
  }
  w.Referent();  // size
  w.U32(offered);
  w.Referent();  // length
  w.U32(0);
  return w.Bytes();
}

QueryValueReply DecodeQueryValue(std::string_view reply) {
  NdrReader r(reply);
  QueryValueReply out;
  if (r.Pointer() != 0) out.type = r.U32();
  if (r.Pointer() != 0) {
    const uint32_t length = r.VaryingHeader(kMaxValueBytes);
    out.data = std::string(r.Take(length));
  }
  if (r.Pointer() != 0) out.size = r.U32();
  uint32_t length = 0;
  if (r.Pointer() != 0) length = r.U32();
  out.status = r.Status();
  if (out.size > kMaxValueBytes) throw NdrError("value larger than allowed");
  if (!out.data.empty() && (length != out.data.size() || out.size < length)) {
    throw NdrError("value length disagrees with its data");
  }
  return out;
}

}  // namespace korvane::smb::winreg

#include "platform/smb/svcctl_ndr.h"

namespace korvane::smb::svcctl {

std::string EncodeOpenScManager(std::string_view machine, uint32_t access) {
  NdrWriter w;
  w.Referent();
  w.TerminatedString(machine);
  w.NullPointer();  // the default database
  w.U32(access);
  return w.Bytes();
}

HandleReply DecodeOpenScManager(std::string_view reply) {
  NdrReader r(reply);
  HandleReply out;
  out.handle = r.Handle();
  out.status = r.Status();
  return out;
}

std::string EncodeEnumServicesStatus(const ContextHandle& manager, uint32_t type, uint32_t state,
                                     uint32_t offered, uint32_t resume) {
  NdrWriter w;
  w.Handle(manager);
  w.U32(type);
  w.U32(state);
  w.U32(offered);
  w.Referent();
  w.U32(resume);
  return w.Bytes();
}

EnumReply DecodeEnumServicesStatus(std::string_view reply, uint32_t offered) {
  NdrReader r(reply);
  EnumReply out;
  const uint32_t size = r.U32();
  if (size != offered) throw NdrError("listing buffer of another size than offered");
  out.buffer = std::string(r.Take(size));
  out.needed = r.U32();
  out.returned = r.U32();
  if (r.Pointer() != 0) out.resume = r.U32();
  out.status = r.Status();
  if (out.needed > kMaxBufferBytes || out.returned > kMaxBufferBytes / kRecordBytes) {
    throw NdrError("listing counts out of range");
  }
  return out;
}

namespace {

uint32_t At(std::string_view buffer, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) {
    v = v << 8 | static_cast<uint8_t>(buffer[offset + static_cast<size_t>(i)]);
  }
  return v;
}

std::string NameAt(std::string_view buffer, uint32_t offset) {
  if (offset == 0) return {};
  if (offset % 2 != 0 || offset >= buffer.size()) throw NdrError("service name outside the buffer");
  size_t end = offset;
  while (true) {
    if (end + 1 >= buffer.size()) throw NdrError("service name without its end");
    if (buffer[end] == '\0' && buffer[end + 1] == '\0') break;
    end += 2;
  }
  return Utf16leToUtf8(buffer.substr(offset, end - offset));
}

}  // namespace

std::vector<Service> ParseServices(std::string_view buffer, uint32_t count) {
  if (static_cast<uint64_t>(count) * kRecordBytes > buffer.size()) {
    throw NdrError("more services than the buffer holds");
  }
  std::vector<Service> services;
  services.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t base = static_cast<size_t>(i) * kRecordBytes;
    Service s;
    s.serviceName = NameAt(buffer, At(buffer, base));
    s.displayName = NameAt(buffer, At(buffer, base + 4));
    s.serviceType = At(buffer, base + 8);
    s.currentState = At(buffer, base + 12);
    services.push_back(std::move(s));
  }
  return services;
}

std::string EncodeCloseServiceHandle(const ContextHandle& handle) {
  NdrWriter w;
  w.Handle(handle);
  return w.Bytes();
}

uint32_t DecodeCloseServiceHandle(std::string_view reply) {
  NdrReader r(reply);
  r.Handle();
  return r.Status();
}

}  // namespace korvane::smb::svcctl

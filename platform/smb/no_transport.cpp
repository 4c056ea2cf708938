// A build without Samba's client libraries: no computer can be reached.
#include "platform/smb/transport.h"

namespace korvane::smb {

std::unique_ptr<Transport> MakeSambaTransport(const Credentials&) { return nullptr; }

}  // namespace korvane::smb

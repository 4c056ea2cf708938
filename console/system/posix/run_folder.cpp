// The claim is an exclusive lock on a file of the folder: the system drops it when the
// process ends, by a signal too.
#include "console/system/run_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace korvane::console {

namespace {

constexpr const char* kClaimName = "/console.lock";

class LockClaim : public RunFolderClaim {
 public:
  explicit LockClaim(int fd) : fd_(fd) {}
  ~LockClaim() override { ::close(fd_); }

 private:
  int fd_;
};

std::unique_ptr<RunFolderClaim> Lock(const std::string& folder, int createFlags) {
  const std::string path = folder + kClaimName;
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | createFlags, 0600);
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<LockClaim>(fd);
}

}  // namespace

std::unique_ptr<RunFolderClaim> ClaimRunFolder(const std::string& folder) {
  auto claim = Lock(folder, O_CREAT | O_EXCL);
  if (!claim) throw std::runtime_error("cannot claim " + folder + ": " + std::strerror(errno));
  return claim;
}

std::unique_ptr<RunFolderClaim> TakeOverRunFolder(const std::string& folder) { return Lock(folder, 0); }

}  // namespace korvane::console

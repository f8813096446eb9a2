#include "host/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace orvane::host {

std::string InstanceLockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] != '\0') return std::string(runtime) + "/OrvaneEx.lock";
  return "/tmp/OrvaneEx-" + std::to_string(getuid()) + ".lock";
}

InstanceLock AcquireInstanceLock(const std::string& path) {
  // O_NOFOLLOW: in /tmp another user could plant a link to a file of ours.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return InstanceLock::kUnavailable;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceLock::kAcquired;  // fd stays open: the lock is held
  const int error = errno;
  close(fd);
  return error == EWOULDBLOCK ? InstanceLock::kHeldElsewhere : InstanceLock::kUnavailable;
}

}  // namespace orvane::host

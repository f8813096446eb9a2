// One running copy per user: an exclusive lock on a file in the user's
// runtime directory, held for the life of the process.
#pragma once

#include <string>

namespace orvane::host {

enum class InstanceLock {
  kAcquired,       // this is the only copy
  kHeldElsewhere,  // another copy runs
  kUnavailable,    // the lock file cannot be used; run without the protection
};

// $XDG_RUNTIME_DIR/OrvaneEx.lock, else /tmp/OrvaneEx-<uid>.lock.
std::string InstanceLockPath();

// Takes the lock; a successful lock stays held until the process ends.
InstanceLock AcquireInstanceLock(const std::string& path);

}  // namespace orvane::host

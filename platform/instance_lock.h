#pragma once
// One launcher per client folder: a lock named after the folder's hash that
// the running launcher holds until it ends. Windows: the session's named
// mutex "Local\ZarvoLauncher_<hash>". Elsewhere: an exclusive flock on the
// file "ZarvoLauncher_<hash>.lock", which the system lets go of when the
// process ends, however it ends.

#include <cstdint>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include "platform/folder_lock.h"
#endif

namespace zv {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock of this hash. When another process holds it, waits up to
  // waitMs for it to let go (0: not at all). A holder that ended without
  // letting go counts as gone. lockFolder holds the lock file where the
  // system has no named mutexes; when it cannot be used, the system's
  // temporary folder does. False: another process holds the lock.
  [[nodiscard]] bool acquire(uint32_t hash, const std::filesystem::path& lockFolder, unsigned waitMs);
  void release();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  FolderLock lock_;
#endif
};

// "ZarvoLauncher_" and the hash in decimal: the lock's name without the
// session prefix of Windows.
inline std::string instanceLockName(uint32_t hash) { return "ZarvoLauncher_" + std::to_string(hash); }

}  // namespace zv

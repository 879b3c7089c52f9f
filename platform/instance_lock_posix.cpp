#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

namespace zv {
namespace {

constexpr unsigned kPollMs = 100;

int openLockFile(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::filesystem::path path = folder / (name + ".lock");
  // Close-on-exec: a started game must not inherit the lock.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  // A lock file another user made can still be locked through a read-only open.
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}

}  // namespace

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire(uint32_t hash, const std::filesystem::path& lockFolder, unsigned waitMs) {
  release();
  const std::string name = instanceLockName(hash);
  int fd = lockFolder.empty() ? -1 : openLockFile(lockFolder, name);
  if (fd < 0) {
    std::error_code ec;
    fd = openLockFile(std::filesystem::temp_directory_path(ec), name);
  }
  if (fd < 0) return false;
  // flock has no timed wait: poll until the holder lets go or the time is up.
  for (unsigned waited = 0;; waited += kPollMs) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return true;
    }
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  ::close(fd);
  return false;
}

void InstanceLock::release() {
  if (fd_ < 0) return;
  // The file stays: deleting it would let a third process lock a new file
  // while a second one still waits on the old one.
  ::close(fd_);
  fd_ = -1;
}

bool InstanceLock::held() const { return fd_ >= 0; }

}  // namespace zv

#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/file.h"

namespace zv {

FolderLock::~FolderLock() { release(); }

FolderLock::Outcome FolderLock::tryTake(const std::filesystem::path& lockFile, std::string& error) {
  release();
  std::error_code ignored;
  std::filesystem::create_directories(lockFile.parent_path(), ignored);
  // Close-on-exec: a started game must not inherit the lock. No link is
  // followed: a lock file is nothing to write through.
  int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  // A lock file another user made can still be locked through a read-only open.
  if (fd < 0 && errno == EACCES) fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    error = "cannot open " + lockFile.string() + ": " + lastErrorText();
    return Outcome::Failed;
  }
  int result = 0;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const bool busy = errno == EWOULDBLOCK;
    if (!busy) error = "cannot lock " + lockFile.string() + ": " + lastErrorText();
    ::close(fd);
    return busy ? Outcome::Busy : Outcome::Failed;
  }
  fd_ = fd;
  return Outcome::Taken;
}

void FolderLock::release() {
  if (fd_ >= 0) ::close(fd_);  // closing the only descriptor lets go of the flock
  fd_ = -1;
}

}  // namespace zv

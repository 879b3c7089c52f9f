#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace zv {
namespace {

// What a direct write's memory, length and offset must be multiples of: the
// logical block of nearly every disk. A disk with larger blocks refuses the
// write, which then goes through the cache.
constexpr uintptr_t kUncachedBlock = 4096;

}  // namespace

std::string lastErrorText() {
  const int saved = errno;
  std::string text = std::strerror(saved);
  errno = saved;
  return text;
}

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_), uncached_(other.uncached_), diskFull_(other.diskFull_) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    uncached_ = other.uncached_;
    diskFull_ = other.diskFull_;
    other.fd_ = -1;
  }
  return *this;
}

bool File::open(const std::filesystem::path& path, Mode mode, std::string& error) {
  close();
  diskFull_ = false;
  uncached_ = false;
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Truncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Mode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    case Mode::Update: flags |= O_RDWR | O_CREAT; break;
    case Mode::Fresh:
      flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
      (void)::unlink(path.c_str());  // a folder stays and fails the open
      break;
  }
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    error = "cannot open " + path.string() + ": " + lastErrorText();
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    error = "cannot open " + path.string() + ": Is a directory";
    return false;
  }
  fd_ = fd;
  return true;
}

bool File::isOpen() const { return fd_ >= 0; }

void File::close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

bool File::read(void* buffer, size_t size, size_t& got, std::string& error) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      return true;
    }
    if (errno != EINTR) {
      error = "read error: " + lastErrorText();
      return false;
    }
  }
}

void File::preferUncached() {
#ifdef O_DIRECT
  const int flags = fcntl(fd_, F_GETFL);
  // Refused where the file system cannot (some give EINVAL only at the write).
  uncached_ = flags >= 0 && fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0;
#endif
}

void File::stopUncached() {
#ifdef O_DIRECT
  const int flags = fcntl(fd_, F_GETFL);
  if (flags >= 0) (void)fcntl(fd_, F_SETFL, flags & ~O_DIRECT);
#endif
  uncached_ = false;
}

bool File::write(const void* data, size_t size, std::string& error) {
  const char* p = static_cast<const char*>(data);
  // Past the cache go only whole blocks from a block boundary in memory; the
  // rest of the write (a file's last partial block) and every later one go
  // through it, since the file's offset is then off the boundaries.
  if (uncached_ && reinterpret_cast<uintptr_t>(p) % kUncachedBlock != 0) stopUncached();
  while (size > 0) {
    const size_t whole = size - size % kUncachedBlock;
    if (uncached_ && whole == 0) stopUncached();
    const ssize_t n = ::write(fd_, p, uncached_ ? whole : size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EINVAL && uncached_) {  // blocks larger than ours, or no direct writes after all
        stopUncached();
        continue;
      }
      diskFull_ = errno == ENOSPC || errno == EDQUOT;
      error = "write error: " + lastErrorText();
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
    if (uncached_ && n % kUncachedBlock != 0) stopUncached();  // a short write, off the boundaries
  }
  return true;
}

bool File::size(uint64_t& bytes, std::string& error) const {
  struct stat info {};
  if (fstat(fd_, &info) != 0) {
    error = "cannot read file size: " + lastErrorText();
    return false;
  }
  bytes = static_cast<uint64_t>(info.st_size);
  return true;
}

bool File::seek(uint64_t offset, std::string& error) {
  if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    error = "seek error: " + lastErrorText();
    return false;
  }
  return true;
}

bool File::truncateHere(std::string& error) {
  const off_t here = lseek(fd_, 0, SEEK_CUR);
  if (here < 0 || ftruncate(fd_, here) != 0) {
    error = "cannot truncate: " + lastErrorText();
    return false;
  }
  return true;
}

bool File::flush(std::string& error) {
  if (fsync(fd_) != 0 && errno != EINVAL) {
    diskFull_ = errno == ENOSPC || errno == EDQUOT;
    error = "flush error: " + lastErrorText();
    return false;
  }
  return true;
}

void File::startWriteback(uint64_t offset, uint64_t size) {
#ifdef ZV_HAVE_SYNC_FILE_RANGE
  if (uncached_) return;  // on the disk already
  (void)sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
#else
  (void)offset;
  (void)size;
#endif
}

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = lastErrorText();
  return false;
}

bool makeWritable(const std::filesystem::path& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  return chmod(path.c_str(), info.st_mode | S_IWUSR) == 0;
}

}  // namespace zv

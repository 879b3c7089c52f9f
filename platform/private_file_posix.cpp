#include "platform/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {

// O_EXCL and mode 0600: the secret is never readable by others, not even for
// a moment.
bool writeNewPrivateFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = errno == EEXIST ? pathToUtf8(path) + " already exists"
                            : "cannot create " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  // The process umask may only take bits away; make sure of 0600 anyway.
  bool ok = fchmod(fd, 0600) == 0;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    ok = wrote > 0;
    if (ok) done += static_cast<size_t>(wrote);
  }
  ok = ok && fsync(fd) == 0;
  if (!ok) error = "cannot write " + pathToUtf8(path) + ": " + lastErrorText();
  ::close(fd);
  if (!ok) ::unlink(path.c_str());
  return ok;
}

bool isOpenToOthers(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & 077) != 0;
}

}  // namespace zv

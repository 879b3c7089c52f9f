#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/durable_file.h"
#include "platform/text_path.h"
#include "platform/unique_fd_posix.h"

namespace zv::detail {
namespace {

// fsync of a file system that cannot sync (EINVAL: a pipe, some special
// file systems) is no failure: there is nothing more to wait for.
bool syncDescriptor(int fd) { return fsync(fd) == 0 || errno == EINVAL; }

}  // namespace

bool flushClosedFile(const std::filesystem::path& path, std::string& error) {
  // Linux and the BSDs flush through a read-only descriptor too, so a
  // read-only file needs no write permission to be made durable.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0 && (errno == ENOENT || errno == ENOTDIR)) return true;
  if (fd.get() < 0 || !syncDescriptor(fd.get())) {
    error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  return true;
}

bool renameFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  // rename(2) is the same call either way; only the folder sync differs.
  return replaceFile(from, to, error);
}

void syncFolder(const std::filesystem::path& folder) {
  // A rename lives in the folder's entries, which only a sync of the folder
  // itself puts on disk.
  const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) (void)syncDescriptor(fd.get());
}

}  // namespace zv::detail

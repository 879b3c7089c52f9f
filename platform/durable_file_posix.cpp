#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

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

bool syncFileSystems(const std::vector<std::filesystem::path>& paths, bool& whole, std::string& error) {
  whole = false;
#ifdef ZV_HAVE_SYNCFS
  // One sync per file system instead of one fsync per file and folder: each
  // fsync waits for a journal commit of its own, and on 20,000 small files
  // those waits made the install take four times as long. syncfs writes every
  // file's data and commits the renames in one go.
  std::vector<dev_t> synced;
  for (const std::filesystem::path& path : paths) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) continue;  // gone: nothing vouches for it
    if (std::find(synced.begin(), synced.end(), info.st_dev) != synced.end()) continue;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 && errno == ENOENT) continue;
    if (fd.get() < 0 || syncfs(fd.get()) != 0) {
      error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
      return false;
    }
    synced.push_back(info.st_dev);
  }
  whole = true;
#else
  (void)paths;
  (void)error;
#endif
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

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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
  if (fd.get() < 0 || !syncDescriptor(fd.get())) {
    error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  return true;
}

bool renameAndSync(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    error = lastErrorText();
    return false;
  }
  // A rename lives in the folder's entries: until the folder is synced a
  // power loss may undo it. The file is in place either way, so a folder that
  // cannot be synced is not reported as a failed rename: at worst the old
  // file comes back, and its time tells the digest cache it is not the new one.
  std::filesystem::path folder = to.parent_path();
  if (folder.empty()) folder = ".";
  reportDurableStep(DurableStep::FolderSync, folder);
  const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) (void)syncDescriptor(fd.get());
  return true;
}

}  // namespace zv::detail

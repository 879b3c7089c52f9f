#pragma once
// An exclusive lock held on a file inside a folder, so that every process
// working on that folder, whatever path or session it reached it through,
// meets the same lock. POSIX: flock on the file (one per open file, so two
// holders in one process exclude each other too); Windows: the file opened
// with no sharing at all. The system lets go when the process ends, however
// it ends, so a crash never leaves the folder locked.

#include <filesystem>
#include <string>

namespace zv {

class FolderLock {
 public:
  enum class Outcome {
    Taken,  // this object holds the lock
    Busy,   // another holder has it
    Failed, // the lock file cannot be made or opened; error says why
  };

  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Tries once to take the lock on lockFile (created when missing, its
  // folder too), without waiting.
  [[nodiscard]] Outcome tryTake(const std::filesystem::path& lockFile, std::string& error);
  void release();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace zv

#include "platform/folder_lock.h"

#include <windows.h>

#include <system_error>

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {

FolderLock::~FolderLock() { release(); }

FolderLock::Outcome FolderLock::tryTake(const std::filesystem::path& lockFile, std::string& error) {
  release();
  std::error_code ignored;
  std::filesystem::create_directories(lockFile.parent_path(), ignored);
  // No sharing: every other open of the file fails while this handle lives,
  // from any session and through any path. Not inherited by started games.
  // Read access is all it takes, so a lock file that is read-only (state
  // copied from a disc) or that another account made is locked all the same.
  HANDLE h = CreateFileW(lockFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) return Outcome::Busy;
    error = "cannot open " + pathToUtf8(lockFile) + ": " + lastErrorText();
    return Outcome::Failed;
  }
  handle_ = h;
  return Outcome::Taken;
}

void FolderLock::release() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

}  // namespace zv

#include <windows.h>

#include "platform/durable_file.h"
#include "platform/text_path.h"

namespace zv::detail {

bool flushClosedFile(const std::filesystem::path& path, std::string& error) {
  // FlushFileBuffers needs a handle with write access.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  const bool flushed = FlushFileBuffers(file) != 0;
  if (!flushed) error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
  CloseHandle(file);
  return flushed;
}

bool renameAndSync(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  // Write-through: the call returns once the move (or, across volumes, the
  // copy) is on disk, so nothing vouches for a rename that may yet be undone.
  if (MoveFileExW(from.c_str(), to.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    reportDurableStep(DurableStep::FolderSync, to.parent_path());
    return true;
  }
  error = lastErrorText();
  return false;
}

}  // namespace zv::detail

#include <windows.h>

#include <vector>

#include "platform/durable_file.h"
#include "platform/move_file_win.h"
#include "platform/text_path.h"

namespace zv::detail {

bool flushClosedFile(const std::filesystem::path& path, std::string& error) {
  // FlushFileBuffers needs a handle with write access.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
    error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  const bool flushed = FlushFileBuffers(file) != 0;
  if (!flushed) error = "cannot flush " + pathToUtf8(path) + ": " + lastErrorText();
  CloseHandle(file);
  return flushed;
}

bool syncFileSystems(const std::vector<std::filesystem::path>&, bool& whole, std::string&) {
  // Flushing a whole volume needs administrator rights: file by file it is.
  whole = false;
  return true;
}

bool renameFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  // Write-through: the call returns once the move (or, across volumes, the
  // copy) is on disk.
  if (moveFilePastShortHolds(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  error = lastErrorText();
  return false;
}

void syncFolder(const std::filesystem::path& folder) {
  // For renames made without write-through (a batch of installed files).
  // NTFS flushes a folder through a handle with write access; elsewhere the
  // call may be refused, which leaves only the rename's durability to chance.
  HANDLE handle = CreateFileW(folder.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  (void)FlushFileBuffers(handle);
  CloseHandle(handle);
}

}  // namespace zv::detail

#include "platform/file_stat.h"

#include <windows.h>

namespace zv {

bool statRegularFile(const std::filesystem::path& path, FileStat& result) {
  return statRegularFile(path.c_str(), result);
}

bool statRegularFile(const wchar_t* nativePath, FileStat& result) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(nativePath, GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  result.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  result.writeTicks = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                           data.ftLastWriteTime.dwLowDateTime);
  return true;
}

}  // namespace zv

#include "platform/file_stat.h"

#include <sys/stat.h>

namespace zv {

bool statRegularFile(const std::filesystem::path& path, FileStat& result) {
  return statRegularFile(path.c_str(), result);
}

bool statRegularFile(const char* nativePath, FileStat& result) {
  constexpr int64_t kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970
  struct stat info {};
  if (stat(nativePath, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  result.size = static_cast<uint64_t>(info.st_size);
  result.writeTicks =
      (static_cast<int64_t>(info.st_mtim.tv_sec) + kEpochDifference) * 10000000LL + info.st_mtim.tv_nsec / 100;
  return true;
}

}  // namespace zv

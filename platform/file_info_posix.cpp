#include "platform/file_info.h"

#include <sys/stat.h>

namespace zv {

namespace {
// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;
}  // namespace

bool fileSize(const std::filesystem::path& path, uint64_t& bytes) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  bytes = static_cast<uint64_t>(info.st_size);
  return true;
}

bool lastWriteTicks(const std::filesystem::path& path, int64_t& ticks) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  ticks = (static_cast<int64_t>(info.st_mtim.tv_sec) + kEpochDifference) * 10000000LL + info.st_mtim.tv_nsec / 100;
  return true;
}

}  // namespace zv

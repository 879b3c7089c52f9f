#include "updater/file_time.h"

#include "platform/file_info.h"

namespace zv {

std::string fileTimeText(const std::filesystem::path& path) {
  int64_t ticks = 0;
  if (!lastWriteTicks(path, ticks)) return {};
  return fileTimeText(ticks);
}

std::string fileTimeText(int64_t ticks) { return std::to_string(ticks); }

}  // namespace zv

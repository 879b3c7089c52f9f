#include "updater/file_time.h"

#include <charconv>

#include "platform/file_info.h"

namespace zv {

std::string fileTimeText(const std::filesystem::path& path) {
  int64_t ticks = 0;
  if (!lastWriteTicks(path, ticks)) return {};
  FileTimeBuffer buffer;
  return std::string(fileTimeText(ticks, buffer));
}

std::string_view fileTimeText(int64_t ticks, FileTimeBuffer& buffer) {
  // 24 bytes hold any int64_t in decimal, sign included.
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), ticks).ptr;
  return {buffer.data(), static_cast<size_t>(end - buffer.data())};
}

}  // namespace zv

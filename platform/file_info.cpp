#include "platform/file_info.h"

#include <system_error>

#include "platform/file.h"

namespace zv {

bool sameFileObject(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

bool isPlainFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec));
}

bool removeFile(const std::filesystem::path& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return true;
  if (ec || std::filesystem::is_directory(status)) return false;
  return std::filesystem::remove(path, ec) && !ec;
}

bool removeFileEvenReadOnly(const std::filesystem::path& path) {
  return removeFile(path) || (makeWritable(path) && removeFile(path));
}

}  // namespace zv

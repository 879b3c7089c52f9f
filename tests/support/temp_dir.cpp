#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv::test {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path()) {}

TempDir::TempDir(const std::filesystem::path& parent) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = parent / ("zvtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files are part of some tests; make everything removable first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    (void)makeWritable(it->path());
  }
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::operator/(std::string_view relative) const { return joinRelative(path_, relative); }

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << pathToUtf8(path);
}

std::string readFile(const std::filesystem::path& path) {
  std::string bytes;
  // Tests look at files of any size, past the launcher's own read limit.
  if (!readTextFile(path, bytes, SIZE_MAX)) return "<missing>";
  return bytes;
}

}  // namespace zv::test

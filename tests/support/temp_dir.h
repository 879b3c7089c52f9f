#pragma once
// Test helpers: a scratch folder that is removed with everything in it, and
// one-line file reads and writes.

#include <filesystem>
#include <string>
#include <string_view>

namespace zv::test {

class TempDir {
 public:
  TempDir();
  // A fresh folder inside parent instead of the system's temporary folder.
  explicit TempDir(const std::filesystem::path& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // path() joined with a "/"-separated relative UTF-8 path.
  std::filesystem::path operator/(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

// Creates parent folders as needed; fails the current test on error.
void writeFile(const std::filesystem::path& path, std::string_view bytes);
// The file's bytes, or "<missing>" when it cannot be read.
std::string readFile(const std::filesystem::path& path);

}  // namespace zv::test

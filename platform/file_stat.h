#pragma once
// Size and modification time of a regular file in one query: the ordinary
// update check asks this once per client file, and on a client of tens of
// thousands of files every system call counts.

#include <cstdint>
#include <filesystem>

namespace zv {

struct FileStat {
  uint64_t size = 0;
  int64_t writeTicks = 0;  // Windows file time, as lastWriteTicks gives it
};

// False when path is missing, not accessible or not a regular file.
[[nodiscard]] bool statRegularFile(const std::filesystem::path& path, FileStat& stat);
// The same for a path's native text (zero-terminated), which the check pass
// builds without making a std::filesystem::path per file.
[[nodiscard]] bool statRegularFile(const std::filesystem::path::value_type* nativePath, FileStat& stat);

}  // namespace zv

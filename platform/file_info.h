#pragma once
// Questions about files on disk that the updater asks many times per job.

#include <cstdint>
#include <filesystem>

namespace zv {

// The size of a regular file; false when it is missing, not accessible or a folder.
[[nodiscard]] bool fileSize(const std::filesystem::path& path, uint64_t& bytes);

// The last-write time as Windows file time (100 ns ticks since 1601-01-01
// UTC) on every platform, so a digest cache means the same everywhere.
[[nodiscard]] bool lastWriteTicks(const std::filesystem::path& path, int64_t& ticks);

// A regular file itself, not a link to one: what may be resumed or read
// back without writing through a link planted beside it.
bool isPlainFile(const std::filesystem::path& path);

// Whether two paths name the same file system object (not the same text).
bool sameFileObject(const std::filesystem::path& a, const std::filesystem::path& b);

// Deletes a file (not a folder); false when it is still there afterwards
// for any reason other than being absent to begin with.
[[nodiscard]] bool removeFile(const std::filesystem::path& path);

// removeFile, and when that fails once more after clearing a read-only
// attribute: Windows deletes no read-only file, and a client or work folder
// copied from a disc or an archive is read-only throughout.
[[nodiscard]] bool removeFileEvenReadOnly(const std::filesystem::path& path);

}  // namespace zv

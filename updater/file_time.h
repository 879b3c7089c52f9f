#pragma once
// The modification time as the digest cache records it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

// The file's last-write time as a decimal count of 100 ns ticks since
// 1601-01-01 UTC (Windows file time, on every platform). Empty when the time
// cannot be read; an empty text never matches a cache entry.
std::string fileTimeText(const std::filesystem::path& path);

// The same text for a time already read (FileStat::writeTicks), in the
// caller's buffer, for the check's loop: the text is longer than a short
// string's room, and a heap allocation per file showed.
using FileTimeBuffer = std::array<char, 24>;
std::string_view fileTimeText(int64_t ticks, FileTimeBuffer& buffer);

}  // namespace zv

#pragma once
// Setting a file's modification time exactly, to the 100 ns tick, for tests
// of the digest cache (std::filesystem under mingw rounds it off).

#include <cstdint>
#include <filesystem>

namespace zv::test {

// ticks: Windows file time (100 ns since 1601-01-01 UTC), as lastWriteTicks
// reads it. Fails the current test on error.
void setLastWriteTicks(const std::filesystem::path& path, int64_t ticks);

// The file's modification time in the same unit; fails the test on error.
int64_t lastWriteTicksOf(const std::filesystem::path& path);

}  // namespace zv::test

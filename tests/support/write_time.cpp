#include "tests/support/write_time.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "platform/file_info.h"
#include "platform/text_path.h"

namespace zv::test {

void setLastWriteTicks(const std::filesystem::path& path, int64_t ticks) {
#ifdef _WIN32
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << pathToUtf8(path);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  const BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  ASSERT_TRUE(ok) << pathToUtf8(path);
#else
  constexpr int64_t kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970
  const int64_t since1970 = ticks - kEpochDifference * 10000000LL;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = since1970 / 10000000LL;
  times[1].tv_nsec = (since1970 % 10000000LL) * 100;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << pathToUtf8(path);
#endif
}

int64_t lastWriteTicksOf(const std::filesystem::path& path) {
  int64_t ticks = 0;
  EXPECT_TRUE(lastWriteTicks(path, ticks)) << pathToUtf8(path);
  return ticks;
}

}  // namespace zv::test

#pragma once
// A file that cannot be deleted while this object lives, the way the running
// game holds an add-on's DLL. On Windows the file is held open without
// delete sharing. Elsewhere an open file can always be deleted and the tests
// run as root, whom permissions do not stop, so a folder takes the file's
// place (not an empty one: that holds nothing and is cleared away); the file
// comes back with its bytes when the lock is released.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "tests/support/temp_dir.h"

namespace zv::test {

class LockedFile {
 public:
  explicit LockedFile(std::filesystem::path path) : path_(std::move(path)) {
#ifdef _WIN32
    handle_ = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot hold " << path_.string();
#else
    bytes_ = readFile(path_);
    held_ = true;
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    std::filesystem::create_directory(path_, ec);
    if (ec) ADD_FAILURE() << "cannot put a folder at " << path_.string();
    writeFile(path_ / "held", "");
#endif
  }
  ~LockedFile() { release(); }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  void release() {
#ifdef _WIN32
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
#else
    if (!held_) return;
    held_ = false;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    writeFile(path_, bytes_);
#endif
  }

 private:
  std::filesystem::path path_;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  // A plain flag, not std::optional: GCC 12 at -O3 wrongly warns that an
  // optional string may be used uninitialised.
  bool held_ = false;
  std::string bytes_;
#endif
};

}  // namespace zv::test

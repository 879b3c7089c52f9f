#pragma once
// A small, empty file system mounted over a folder for as long as this
// object lives, so that writes there run out of space for real. Needs a
// system that lets the tests mount a tmpfs (Linux as root, as in CI); where it
// does not, mounted() is false and why() says so, for the test to skip.

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#endif

namespace zv::test {

class TinyDisk {
 public:
  TinyDisk(const std::filesystem::path& folder, unsigned kibibytes) : folder_(folder) {
    std::filesystem::create_directories(folder_);
#ifdef _WIN32
    (void)kibibytes;
    why_ = "no tmpfs on Windows";
#else
    const std::string options = "size=" + std::to_string(kibibytes) + "k";
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) why_ = std::string("mounting a tmpfs is refused here: ") + std::strerror(errno);
#endif
  }
  ~TinyDisk() {
#ifndef _WIN32
    if (mounted_) (void)::umount2(folder_.c_str(), MNT_DETACH);
#endif
  }
  TinyDisk(const TinyDisk&) = delete;
  TinyDisk& operator=(const TinyDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  std::string why_;
};

}  // namespace zv::test

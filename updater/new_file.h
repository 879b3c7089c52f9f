#pragma once
// The new version of a file, written beside it under the name + ".zvnew"
// before one rename puts it in place: deleted again when it goes out of
// scope, unless it was kept (moved into place).

#include <filesystem>
#include <utility>

#include "platform/file.h"
#include "platform/file_info.h"

namespace zv {

class NewFile {
 public:
  explicit NewFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~NewFile() {
    file.close();
    if (!kept_) (void)removeFile(path_);
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  const std::filesystem::path& path() const { return path_; }
  void keep() { kept_ = true; }

  File file;

 private:
  std::filesystem::path path_;
  bool kept_ = false;
};

}  // namespace zv

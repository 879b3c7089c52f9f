#include "updater/target_place.h"

#include <system_error>

#include "platform/text_path.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

// The nearest existing ancestor of folder, when it is not a folder.
bool fileAbove(fs::path folder, fs::path& blocker) {
  for (; folder.has_relative_path(); folder = folder.parent_path()) {
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (status.type() == fs::file_type::not_found) continue;
    if (ec || status.type() == fs::file_type::directory) return false;
    blocker = folder;
    return true;
  }
  return false;
}

}  // namespace

bool prepareTargetPlace(const fs::path& target, Failure& failure) {
  std::error_code ec;
  if (target.has_parent_path() && !fs::create_directories(target.parent_path(), ec) && ec) {
    fs::path blocker;
    failure = fileAbove(target.parent_path(), blocker)
                  ? Failure{FailureKind::FileInPlace, 0, pathToUtf8(blocker), {}}
                  : Failure{FailureKind::TargetInUse, 0, pathToUtf8(target), {}};
    return false;
  }
  // A link to a folder counts: the rename could not replace it either.
  if (fs::is_directory(target, ec)) {
    failure = Failure{FailureKind::FolderInPlace, 0, pathToUtf8(target), {}};
    return false;
  }
  return true;
}

}  // namespace zv

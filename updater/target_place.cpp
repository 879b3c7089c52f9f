#include "updater/target_place.h"

#include <system_error>
#include <vector>

#include "platform/file_info.h"
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

// Whether folder is a real folder (not a link) with nothing but folders
// below it: a release that makes a file of a folder whose files it retired.
bool holdsNoFiles(const fs::path& folder) {
  std::error_code ec;
  if (fs::symlink_status(folder, ec).type() != fs::file_type::directory) return false;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->symlink_status(ec).type() != fs::file_type::directory) return false;
  }
  return !ec;
}

// Deletes the first file of an earlier release that stands where one of
// path's folders belongs; nothing stands below a missing folder, or below a
// file that stays.
void clearFileAbove(const fs::path& client, std::string_view path,
                    const std::function<bool(std::string_view)>& listedBefore) {
  std::error_code ec;
  for (size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
    const std::string_view folder = path.substr(0, slash);
    const fs::path full = joinRelative(client, folder);
    const fs::file_type type = fs::symlink_status(full, ec).type();
    if (type == fs::file_type::directory) continue;
    if (type == fs::file_type::regular && listedBefore(folder)) (void)removeFileEvenReadOnly(full);
    return;
  }
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
  // An empty folder holds nothing to lose. A link to a folder counts as a
  // folder: the rename could not replace it either.
  if (holdsNoFiles(target)) (void)fs::remove_all(target, ec);
  if (fs::is_directory(target, ec)) {
    failure = Failure{FailureKind::FolderInPlace, 0, pathToUtf8(target), {}};
    return false;
  }
  return true;
}

void clearEarlierFilesInPlace(const fs::path& client, std::string_view path,
                              const std::function<bool(std::string_view)>& listedBefore) {
  std::error_code ec;
  const fs::path target = joinRelative(client, path);
  const fs::file_type targetType = fs::symlink_status(target, ec).type();
  // A file in place (the usual case) has its folders already.
  if (targetType == fs::file_type::regular) return;
  if (targetType != fs::file_type::directory) return clearFileAbove(client, path, listedBefore);
  std::vector<fs::path> doomed;
  for (fs::recursive_directory_iterator it(target, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statusError;
    if (it->symlink_status(statusError).type() != fs::file_type::regular) continue;
    std::string inside(path);
    for (const fs::path& part : it->path().lexically_relative(target)) inside += "/" + pathToUtf8(part);
    if (listedBefore(inside)) doomed.push_back(it->path());
  }
  // Deleted after the listing, so the listing never sees its own deletions.
  for (const fs::path& file : doomed) (void)removeFileEvenReadOnly(file);
}

}  // namespace zv

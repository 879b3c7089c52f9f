#include "updater/work_folder.h"

#include <string>
#include <system_error>
#include <vector>

#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/file_url.h"
#include "updater/release_record.h"

namespace zv {
namespace {

bool isDirectory(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

bool present(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// Whether work or one of its ancestors below client is the folder old.
bool liesWithin(const std::filesystem::path& work, const std::filesystem::path& old,
                const std::filesystem::path& client) {
  for (std::filesystem::path at = work; at.has_relative_path() && at != client; at = at.parent_path()) {
    if (sameFileObject(at, old)) return true;
    if (at.parent_path() == at) break;
  }
  return false;
}

}  // namespace

void migrateWorkFolder(const std::filesystem::path& client, const std::filesystem::path& work,
                       const std::filesystem::path& dataFolder) {
  const std::filesystem::path old = client / kDefaultWorkDir;
  if (!isDirectory(old) || liesWithin(work, old, client)) return;
  const bool holdsData = !dataFolder.empty() && sameFileObject(old, dataFolder);

  std::error_code ignored;
  std::string error;
  if (!present(work) && !holdsData) {
    if (work.has_parent_path()) std::filesystem::create_directories(work.parent_path(), ignored);
    if (replaceFile(old, work, error)) return;
  }
  std::filesystem::create_directories(work, ignored);
  for (const char* name : {"cache.json", "addons.json", kReleaseRecordFile}) {
    if (present(old / name) && !present(work / name)) (void)replaceFile(old / name, work / name, error);
  }
  if (!holdsData) std::filesystem::remove_all(old, ignored);
}

void deletePartFiles(const std::filesystem::path& folder) {
  std::error_code ec;
  std::vector<std::filesystem::path> doomed;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = pathToUtf8(it->path().filename());
    // ".unpacking": what unpacked as it arrived before it was a ".part".
    if (name.ends_with(".part") || name.ends_with(".unpacking")) doomed.push_back(it->path());
  }
  // Deleted after the listing, so the iteration never sees its own changes.
  for (const std::filesystem::path& path : doomed) (void)removeFile(path);
}

}  // namespace zv

#include "addons/file_removal.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "data/wildcard.h"
#include "data/text_rules.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/launcher_files.h"
#include "updater/manifest.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

// Folders are pruned upwards at most this far, whatever the path says.
constexpr int kMaxPruneLevels = 16;

bool isDll(std::string_view path) { return path.size() >= 5 && asciiLower(path.substr(path.size() - 4)) == ".dll"; }

// The files directly in one folder (not below it) whose names match the
// pattern's last segment. Failures are of no interest: these are leftovers
// the add-on made, not files we promised to remove.
void deleteMatching(const fs::path& clientFolder, const std::string& pattern) {
  // A record written before releases were checked for it may still hold a
  // pattern that reaches the launcher's configuration or log.
  if (!isValidCleanupPattern(pattern) || cleanupTouchesLauncher(pattern, LauncherFiles{})) return;
  // No "/" means the client folder itself.
  const std::string_view text = pattern;
  const size_t slash = text.rfind('/');
  const std::string_view folderPart = slash == std::string_view::npos ? std::string_view() : text.substr(0, slash);
  const std::string_view namePattern = slash == std::string_view::npos ? text : text.substr(slash + 1);
  std::vector<fs::path> matches;
  std::error_code ec;
  for (fs::directory_iterator it(joinRelative(clientFolder, folderPart), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statusError;
    if (!fs::is_regular_file(it->symlink_status(statusError)) || statusError) continue;
    if (wildcardMatch(namePattern, pathToUtf8(it->path().filename()))) matches.push_back(it->path());
  }
  // Deleted after the listing, so the listing never sees its own deletions.
  for (const fs::path& match : matches) (void)removeFile(match);
}

fs::path withoutTrailingSeparator(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  return normal.has_filename() ? normal : normal.parent_path();
}

bool isStrictlyInside(const fs::path& folder, const fs::path& base) {
  const fs::path inner = withoutTrailingSeparator(folder);
  const fs::path outer = withoutTrailingSeparator(base);
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (i == inner.end() || *i != *o) return false;
  }
  return i != inner.end();
}

void pruneEmptyFolders(const fs::path& clientFolder, fs::path folder) {
  for (int level = 0; level < kMaxPruneLevels && isStrictlyInside(folder, clientFolder); ++level) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec)) || ec) return;
    if (!fs::is_empty(folder, ec) || ec) return;
    if (!fs::remove(folder, ec) || ec) return;
    folder = folder.parent_path();
  }
}

}  // namespace

bool removeFiles(const fs::path& clientFolder, const std::vector<std::string>& paths,
                 const std::vector<std::string>& patterns, std::vector<std::string>& leftOver) {
  // Copied before leftOver is cleared: a caller may retry with its last leftOver.
  std::vector<std::string> ordered = paths;
  leftOver.clear();
  std::stable_partition(ordered.begin(), ordered.end(), [](const std::string& path) { return isDll(path); });

  bool dllLocked = false;
  std::vector<fs::path> emptiedFolders;
  for (const std::string& path : ordered) {
    if (!isSafeRelativePath(path)) continue;
    if (dllLocked) {
      leftOver.push_back(path);
      continue;
    }
    const fs::path full = joinRelative(clientFolder, path);
    if (!removeFile(full)) {  // a missing file counts as removed
      leftOver.push_back(path);
      if (isDll(path)) dllLocked = true;
      continue;
    }
    emptiedFolders.push_back(full.parent_path());
  }
  // The game is running: deleting its other files now would break it while
  // the add-on stays half installed.
  if (dllLocked) return false;

  for (const std::string& pattern : patterns) deleteMatching(clientFolder, pattern);
  for (const fs::path& folder : emptiedFolders) pruneEmptyFolders(clientFolder, folder);
  return leftOver.empty();
}

}  // namespace zv

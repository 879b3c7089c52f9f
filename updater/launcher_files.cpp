#include "updater/launcher_files.h"

#include <algorithm>

#include "data/case_fold.h"
#include "data/wildcard.h"
#include "platform/text_path.h"
#include "updater/manifest.h"
#include "updater/work_folder.h"

namespace zv {
namespace {

std::string_view workDirOf(const LauncherFiles& own) {
  return own.workDir.empty() ? std::string_view(kDefaultWorkDir) : std::string_view(own.workDir);
}

// Folder part (empty for the client folder) and name of a relative path.
std::pair<std::string_view, std::string_view> splitLast(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {{}, path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

bool isInside(const std::string& folded, const std::string& folder) {
  return folded == folder || (folded.size() > folder.size() && folded.starts_with(folder) && folded[folder.size()] == '/');
}

template <typename T, typename Pred>
void eraseIf(std::vector<T>& items, Pred pred) {
  items.erase(std::remove_if(items.begin(), items.end(), pred), items.end());
}

}  // namespace

LauncherFiles launcherFilesOf(const std::filesystem::path& clientFolder, const std::filesystem::path& launcherPath,
                              std::string_view workDir) {
  LauncherFiles own;
  own.workDir = workDir;
  // Compared as whole paths, so a client folder given with a trailing
  // separator still matches.
  if (!launcherPath.empty() &&
      (clientFolder / launcherPath.filename()).lexically_normal() == launcherPath.lexically_normal()) {
    own.executable = pathToUtf8(launcherPath.filename());
  }
  return own;
}

bool isLauncherOwnPath(std::string_view path, const LauncherFiles& own) {
  for (std::string_view file : {std::string_view(kConfigFileName), std::string_view(kLogFileName),
                                std::string_view(own.executable)}) {
    if (!file.empty() && sameFolded(path, file)) return true;
  }
  // The cheap test first: most paths have no "/" where the work folder's
  // name would end.
  const std::string_view workDir = workDirOf(own);
  return (path.size() == workDir.size() || (path.size() > workDir.size() && path[workDir.size()] == '/')) &&
         sameFolded(path.substr(0, workDir.size()), workDir);
}

bool cleanupTouchesLauncher(std::string_view pattern, const LauncherFiles& own) {
  const auto [folder, namePattern] = splitLast(pattern);
  const std::string foldedFolder = foldCase(folder);
  if (isInside(foldedFolder, foldCase(workDirOf(own)))) return true;
  for (std::string_view file : {std::string_view(kConfigFileName), std::string_view(kLogFileName),
                                std::string_view(own.executable)}) {
    const auto [fileFolder, fileName] = splitLast(file);
    if (!file.empty() && foldCase(fileFolder) == foldedFolder && wildcardMatch(namePattern, fileName)) return true;
  }
  return false;
}

void dropLauncherOwnEntries(Manifest& manifest, const LauncherFiles& own) {
  const auto ownFile = [&own](const ManifestFile& file) { return isLauncherOwnPath(file.path, own); };
  eraseIf(manifest.files, ownFile);
  eraseIf(manifest.remove, [&own](const std::string& path) { return isLauncherOwnPath(path, own); });
  for (ManifestAddon& addon : manifest.addons) {
    eraseIf(addon.files, ownFile);
    eraseIf(addon.cleanup, [&own](const std::string& pattern) { return cleanupTouchesLauncher(pattern, own); });
    if (isLauncherOwnPath(addon.keyIni, own)) addon.keyIni.clear();
  }
}

}  // namespace zv

#include "tools/builder/release_plan.h"

#include <map>
#include <set>

#include "data/case_fold.h"
#include "data/launcher_config.h"
#include "platform/text_path.h"
#include "tools/builder/brand_command.h"
#include "tools/builder/path_pattern.h"
#include "tools/builder/tree_walk.h"
#include "updater/launcher_files.h"

namespace zv::builder {

const std::vector<std::string> kDefaultExclusions = {".zarvo_update/", kLogFileName, kConfigFileName};

namespace {

PlannedFile planned(const SourceFile& source, std::string variant = {}) {
  PlannedFile file;
  file.path = source.path;
  file.serverName = source.path;
  file.variant = std::move(variant);
  file.file = source.file;
  file.size = source.size;
  return file;
}

bool walk(const std::filesystem::path& folder, const std::vector<std::string>& exclude,
          std::vector<SourceFile>& files, std::string& error) {
  if (walkFolder(folder, exclude, files, error)) return true;
  error = pathToUtf8(folder) + ": " + error;
  return false;
}

bool takeLauncher(const Release& release, std::vector<PlannedFile>& files, Plan& plan, std::string& error) {
  if (release.launcher.empty()) return true;
  const std::string wanted = foldCase(release.launcher);
  for (auto it = files.begin(); it != files.end(); ++it) {
    if (foldCase(it->path) == wanted) {
      // The launcher replaces itself through its own entry; as a client
      // file it would be overwritten while it runs.
      plan.launcher = std::move(*it);
      plan.hasLauncher = true;
      files.erase(it);
      return true;
    }
  }
  error = "the launcher " + release.launcher + " named in the release file is not in the client folder";
  return false;
}

// The launcher's own files as the publisher's client folder shows them: the
// work folder its configuration names, and the launcher of the release file.
LauncherFiles launcherFilesIn(const std::filesystem::path& sourceDir, const Release& release, Plan& plan) {
  LauncherFiles own;
  own.executable = release.launcher;
  LauncherConfig config;
  std::string ignored;
  const std::filesystem::path configFile = sourceDir / kConfigFileName;
  if (!std::filesystem::exists(configFile)) return own;
  if (loadLauncherConfigFile(configFile, config, ignored)) own.workDir = config.workDir;
  plan.warnings.push_back(std::string(kConfigFileName) +
                          " is not published: a launcher never replaces its own configuration (build it into "
                          "the launcher with zarvo-builder brand)");
  return own;
}

bool checkLauncherFiles(const Release& release, const LauncherFiles& own, std::string& error) {
  for (const std::string& path : release.remove) {
    if (!isLauncherOwnPath(path, own)) continue;
    error = path + " is listed in \"remove\" but belongs to the launcher itself (its configuration, log, work "
            "folder or executable), which a release never deletes";
    return false;
  }
  for (const ReleaseAddon& addon : release.addons) {
    for (const std::string& pattern : addon.cleanup) {
      if (!cleanupTouchesLauncher(pattern, own)) continue;
      error = "clean-up pattern \"" + pattern + "\" of add-on " + addon.id +
              " could delete the launcher's own files (its configuration, log, work folder or executable)";
      return false;
    }
  }
  return true;
}

bool applyClientRules(const Release& release, Plan& plan, std::string& error) {
  std::map<std::string, PlannedFile*> byPath;  // the launcher too, which is no client file
  for (PlannedFile& file : plan.files) byPath[foldCase(file.path)] = &file;
  if (plan.hasLauncher) byPath.emplace(foldCase(plan.launcher.path), &plan.launcher);
  for (const std::string& pattern : release.once) {
    bool matched = false;
    for (PlannedFile& file : plan.files) {
      if (pathPatternMatches(pattern, file.path)) file.once = matched = true;
    }
    if (!matched) plan.warnings.push_back("\"once\" pattern " + pattern + " matches no file");
  }
  for (const std::string& path : release.remove) {
    if (byPath.count(foldCase(path))) {
      error = path + " is listed in \"remove\" but is also one of the files of this release";
      return false;
    }
    plan.remove.push_back(path);
  }
  for (const auto& [path, serverName] : release.sources) {
    const auto file = byPath.find(foldCase(path));
    if (file == byPath.end()) {
      error = "\"source\" names " + path + ", which is not a file of this release";
      return false;
    }
    file->second->serverName = serverName;
  }
  return true;
}

// The server name of an add-on file: kept apart from client files and from
// the other variants, which may ship the same path with other content.
std::string addonServerName(const std::string& addonId, const std::string& variant, const std::string& path) {
  return "addons/" + addonId + "/" + (variant.empty() ? std::string("all") : "v-" + variant) + "/" + path;
}

bool planAddon(const ReleaseAddon& addon, const std::vector<std::string>& exclude,
               const std::set<std::string>& clientPaths, Plan& plan, std::string& error) {
  PlannedAddon out{addon, {}};
  std::vector<std::pair<std::string, std::filesystem::path>> folders;  // variant, folder
  if (!addon.folder.empty()) folders.emplace_back("", addon.folder);
  for (const ReleaseVariant& variant : addon.variants) folders.emplace_back(variant.id, variant.folder);
  for (const auto& [variant, folder] : folders) {
    std::vector<SourceFile> found;
    if (!walk(folder, exclude, found, error)) return false;
    for (const SourceFile& source : found) {
      if (clientPaths.count(foldCase(source.path))) {
        error = "add-on " + addon.id + ": " + source.path + " in " + pathToUtf8(folder) +
                " clashes with the client's own file " + source.path;
        return false;
      }
      PlannedFile file = planned(source, variant);
      file.serverName = addonServerName(addon.id, variant, source.path);
      out.files.push_back(std::move(file));
    }
  }
  // A variant's file that differs from a shared one in letter case only is,
  // on Windows, the file it replaces. Launchers that fold ASCII letters only
  // would take both (Фон.fx, фон.fx) and write them over each other on every
  // check: the variant's file is published under the shared one's spelling.
  std::map<std::string, std::string> sharedSpelling;
  for (const PlannedFile& file : out.files) {
    if (file.variant.empty()) sharedSpelling.emplace(foldCase(file.path), file.path);
  }
  for (PlannedFile& file : out.files) {
    const auto shared = sharedSpelling.find(foldCase(file.path));
    if (!file.variant.empty() && shared != sharedSpelling.end()) file.path = shared->second;
  }
  if (!addon.keyIni.empty()) {
    // The launcher writes the toggle key into this file, which must exist;
    // a key file that the launcher also checks by digest would be fetched
    // again by every check and never count as up to date.
    const std::string wanted = foldCase(addon.keyIni);
    bool found = false;
    for (std::vector<PlannedFile>* files : {&out.files, &plan.files}) {
      for (PlannedFile& file : *files) {
        if (foldCase(file.path) != wanted) continue;
        found = true;
        file.once = file.once || addon.keyIniOnce;
      }
    }
    if (!found) {
      error = "add-on " + addon.id + ": its keyIni " + addon.keyIni +
              " is neither one of its files nor a file of the client; the launcher could not write the toggle key";
      return false;
    }
  }
  plan.addons.push_back(std::move(out));
  return true;
}

// Packed files of different content must not share a name, not even one
// that differs only in letter case (non-ASCII letters too): a Windows server
// folder would keep one.
bool checkServerNames(Plan& plan, std::string& error) {
  std::map<std::string, const PlannedFile*> names;
  for (const PlannedFile* file : allFiles(plan)) {
    const auto [it, fresh] = names.emplace(foldCase(file->serverName), file);
    // The very same name is allowed: its files' content is compared once hashed.
    if (fresh || it->second->serverName == file->serverName) continue;
    error = "two files would be stored on the server under names that differ only in letter case: " +
            it->second->serverName + " (for " + it->second->path + ") and " + file->serverName + " (for " +
            file->path + ")";
    return false;
  }
  return true;
}

}  // namespace

std::vector<PlannedFile*> allFiles(Plan& plan) {
  std::vector<PlannedFile*> out;
  if (plan.hasLauncher) out.push_back(&plan.launcher);
  for (PlannedFile& file : plan.files) out.push_back(&file);
  for (PlannedAddon& addon : plan.addons) {
    for (PlannedFile& file : addon.files) out.push_back(&file);
  }
  return out;
}

bool makePlan(const std::filesystem::path& sourceDir, const Release& release, Plan& plan, std::string& error) {
  plan = Plan{};
  plan.build = release.build;
  plan.chunkSize = release.chunkSize;
  plan.level = release.level;
  const LauncherFiles own = launcherFilesIn(sourceDir, release, plan);
  if (!checkLauncherFiles(release, own, error)) return false;
  std::vector<std::string> exclude = kDefaultExclusions;
  if (!own.workDir.empty()) exclude.push_back(own.workDir + "/");
  exclude.insert(exclude.end(), release.exclude.begin(), release.exclude.end());

  std::vector<SourceFile> found;
  if (!walk(sourceDir, exclude, found, error)) return false;
  for (const SourceFile& source : found) plan.files.push_back(planned(source));
  if (!takeLauncher(release, plan.files, plan, error) || !applyClientRules(release, plan, error)) return false;
  // Every launcher that differs from the release's takes it in its place,
  // a branded one included, which would then start without any settings.
  if (plan.hasLauncher && lacksBuiltinConfig(plan.launcher.file)) {
    plan.warnings.push_back("the launcher " + plan.launcher.path +
                            " has no settings built in: players whose launcher has them (zarvo-builder brand) get "
                            "this one in its place and are left without settings; put the branded launcher into the "
                            "client folder, unless every player keeps a " + kConfigFileName + " beside it");
  }

  std::set<std::string> clientPaths;
  for (const PlannedFile& file : plan.files) clientPaths.insert(foldCase(file.path));
  for (const ReleaseAddon& addon : release.addons) {
    if (!planAddon(addon, exclude, clientPaths, plan, error)) return false;
  }
  // The launcher would delete an installed add-on's file on every check.
  for (const std::string& path : plan.remove) {
    for (const PlannedAddon& addon : plan.addons) {
      for (const PlannedFile& file : addon.files) {
        if (foldCase(file.path) != foldCase(path)) continue;
        error = path + " is listed in \"remove\" but add-on " + addon.release.id + " ships it";
        return false;
      }
    }
  }
  return checkServerNames(plan, error);
}

}  // namespace zv::builder

#include "app/cli_startup.h"

#include <system_error>

#include "bridge/self_update_swap.h"
#include "data/builtin_config.h"
#include "data/install_tag.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/text_path.h"

namespace zv::cli {
namespace {

// A launcher started by a self-update waits this long for the one that
// started it to end.
constexpr unsigned kRestartWaitMs = 10000;

std::filesystem::path withoutTrailingSeparators(std::filesystem::path path) {
  while (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
  return path;
}

std::filesystem::path defaultDataFolder(const std::filesystem::path& clientFolder) {
  std::filesystem::path base;
  if (userDataFolder(base)) return base / "ZarvoLauncher";
  return clientFolder / ".zarvo_update";
}

bool hasIndex(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(folder / "index.html", ec);
}

bool loadConfiguration(const std::filesystem::path& clientFolder, LauncherConfig& config, std::string& message) {
  const std::filesystem::path file = clientFolder / "ZarvoLauncher.json";
  std::error_code ec;
  // A broken file is reported, never replaced by the built-in settings.
  if (std::filesystem::exists(file, ec)) return loadLauncherConfigFile(file, config, message);
  return loadLauncherConfig(builtinConfigText, config, message);
}

}  // namespace

std::filesystem::path folderFromArgument(const std::string& text) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(pathFromUtf8(text), ec);
  if (ec) path = pathFromUtf8(text);
  return withoutTrailingSeparators(path.lexically_normal());
}

std::filesystem::path findPageFolder(const std::filesystem::path& clientFolder,
                                     const std::filesystem::path& launcherPath,
                                     const std::filesystem::path& dataFolder, const std::string& installTag) {
  if (hasIndex(clientFolder / "ui")) return clientFolder / "ui";
  const std::filesystem::path beside = launcherPath.parent_path() / "page";
  if (!launcherPath.empty() && hasIndex(beside)) return beside;
  return dataFolder / ("ui-" + installTag);
}

StartupResult startUp(const Options& options, Startup& startup, std::string& message) {
  startup.launcherPath = executablePath();
  startup.clientFolder = options.client.empty() ? withoutTrailingSeparators(startup.launcherPath.parent_path())
                                                : folderFromArgument(options.client);
  startup.dataFolder =
      options.data.empty() ? defaultDataFolder(startup.clientFolder) : folderFromArgument(options.data);
  startup.installTag = makeInstallTag(startup.clientFolder);

  if (!startup.lock.acquire(installHash(startup.clientFolder), startup.dataFolder,
                            options.updated ? kRestartWaitMs : 0)) {
    return StartupResult::AnotherInstance;
  }
  removeOldLauncher(startup.launcherPath);
  if (!loadConfiguration(startup.clientFolder, startup.config, message)) return StartupResult::ConfigError;
  startup.prefs = loadPreferences(startup.config, startup.dataFolder, startup.installTag);
  startup.uiFolder =
      findPageFolder(startup.clientFolder, startup.launcherPath, startup.dataFolder, startup.installTag);
  resolveTheme(startup.prefs, startup.config, startup.uiFolder);
  return StartupResult::Ready;
}

}  // namespace zv::cli

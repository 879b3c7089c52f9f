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

// A folder given on the command line, absolute and without trailing
// separators.
std::filesystem::path folderFromArgument(const std::string& text) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(pathFromUtf8(text), ec);
  if (ec) path = pathFromUtf8(text);
  return withoutTrailingSeparators(path.lexically_normal());
}

// The page folder the theme is resolved against: the client's "ui" folder
// when it holds index.html, else the "page" folder installed beside the
// launcher when it does, else the folder where the window launcher extracts
// its built-in page for this client.
std::filesystem::path findPageFolder(const Startup& startup, const std::string& installTag) {
  if (hasIndex(startup.clientFolder / "ui")) return startup.clientFolder / "ui";
  const std::filesystem::path beside = startup.launcherPath.parent_path() / "page";
  if (!startup.launcherPath.empty() && hasIndex(beside)) return beside;
  return startup.dataFolder / ("ui-" + installTag);
}

}  // namespace

StartupResult startUp(const Options& options, Startup& startup, std::string& message) {
  startup.launcherPath = executablePath();
  startup.clientFolder = options.client.empty() ? withoutTrailingSeparators(startup.launcherPath.parent_path())
                                                : folderFromArgument(options.client);
  startup.dataFolder =
      options.data.empty() ? defaultDataFolder(startup.clientFolder) : folderFromArgument(options.data);
  const std::string installTag = makeInstallTag(startup.clientFolder);

  if (!startup.lock.acquire(installHash(startup.clientFolder), startup.dataFolder,
                            options.updated ? kRestartWaitMs : 0)) {
    return StartupResult::AnotherInstance;
  }
  removeOldLauncher(startup.launcherPath);
  if (!loadConfiguration(startup.clientFolder, startup.config, message)) return StartupResult::ConfigError;
  startup.prefs = loadPreferences(startup.config, startup.dataFolder, installTag);
  resolveTheme(startup.prefs, startup.config, findPageFolder(startup, installTag));
  return StartupResult::Ready;
}

}  // namespace zv::cli

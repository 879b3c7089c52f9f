#pragma once
// The console launcher's start-up, by the rules of the window launcher:
// folders, one instance per client folder, the leftover of a self-update,
// the publisher's configuration, the player's preferences and theme.

#include <filesystem>
#include <string>

#include "app/cli_options.h"
#include "data/launcher_config.h"
#include "data/preferences.h"
#include "platform/instance_lock.h"

namespace zv::cli {

struct Startup {
  std::filesystem::path launcherPath;
  std::filesystem::path clientFolder;
  std::filesystem::path dataFolder;
  std::filesystem::path uiFolder;
  std::string installTag;
  LauncherConfig config;
  Preferences prefs;
  InstanceLock lock;
};

enum class StartupResult {
  Ready,
  AnotherInstance,  // a launcher for this client folder runs already
  ConfigError,      // message: the text to show the publisher
};

// A folder given on the command line, absolute and without trailing
// separators.
std::filesystem::path folderFromArgument(const std::string& text);

// The page folder the theme is resolved against: the client's "ui" folder
// when it holds index.html, else the "page" folder installed beside the
// launcher when it does, else the folder where the window launcher extracts
// its built-in page for this client (dataFolder/"ui-<installTag>").
std::filesystem::path findPageFolder(const std::filesystem::path& clientFolder,
                                     const std::filesystem::path& launcherPath,
                                     const std::filesystem::path& dataFolder, const std::string& installTag);

StartupResult startUp(const Options& options, Startup& startup, std::string& message);

}  // namespace zv::cli

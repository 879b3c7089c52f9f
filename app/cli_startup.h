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
  LauncherConfig config;
  Preferences prefs;
  InstanceLock lock;
};

enum class StartupResult {
  Ready,
  AnotherInstance,  // a launcher for this client folder runs already
  ConfigError,      // message: the text to show the publisher
};

StartupResult startUp(const Options& options, Startup& startup, std::string& message);

}  // namespace zv::cli

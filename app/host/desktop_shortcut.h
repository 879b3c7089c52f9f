#pragma once
// A shortcut to the launcher on the player's desktop, made once per client
// folder when the publisher asks for it. Remembered in the preferences, so a
// shortcut the player deleted stays deleted. Needs COM on the calling thread.

#include <filesystem>
#include <string>

#include "data/launcher_config.h"
#include "data/preferences.h"

namespace zv {

// Silent: a failure is tried again at the next start.
void ensureDesktopShortcut(const LauncherConfig& config, Preferences& prefs, const std::filesystem::path& launcherPath,
                           const std::filesystem::path& clientFolder);

}  // namespace zv

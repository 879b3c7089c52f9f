#pragma once
// The player's look-and-feel choices (page language, theme, colour mode, the
// theme's window colour and picture), kept per client folder in the data
// folder. The publisher's configuration gives the defaults; the file
// overrides them. Used on the main thread only.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "data/json.h"
#include "data/launcher_config.h"
#include "data/theme_picture.h"

namespace zv {

struct Preferences {
  std::string prefLang;   // "lt", "en" or "ru" when read from the file
  std::string prefTheme;  // a theme name, "classic", or empty
  std::string prefMode;   // "dark" or "light"
  std::string prefBg;     // "#RRGGBB" or empty
  ThemePicture art;
  // The whole file as last read or written: members we do not know (such as
  // the desktop shortcut markers) are written back unchanged.
  Json prefsDocument = Json::object();
  std::filesystem::path prefsPath;
};

// The configuration's language, theme and mode, overridden member by member
// by the per-install file dataFolder/"prefs-<installTag>.json", or by the
// older shared dataFolder/"prefs.json" when there is none. A missing or
// broken file is not an error.
Preferences loadPreferences(const LauncherConfig& config, const std::filesystem::path& dataFolder,
                            std::string_view installTag);

// Writes the values into prefsDocument and the document to prefsPath. The
// caller may ignore a failure: the values in memory stay as they are.
bool savePreferences(Preferences& prefs);

// "classic" (the built-in look), or a valid theme name with a folder
// uiFolder/themes/<name>.
bool themeExists(std::string_view name, const std::filesystem::path& uiFolder);

// Once the page folder is known: a theme whose folder is gone falls back to
// the configured theme or "classic" and loses its colour and picture; a
// picture whose file is gone loses its file name. Nothing is saved.
void resolveTheme(Preferences& prefs, const LauncherConfig& config, const std::filesystem::path& uiFolder);

// The window's background as a Windows COLORREF (0x00BBGGRR): the theme's
// colour, else the classic look's light or dark colour.
uint32_t windowBackgroundColor(const Preferences& prefs);

}  // namespace zv

// The page commands that change settings or leave the launcher: links, the
// game's video options, language, theme and theme picture.

#include "bridge/bridge.h"
#include "data/text_rules.h"
#include "data/theme_picture.h"
#include "data/video_options.h"
#include "data/video_settings.h"
#include "platform/display_modes.h"

namespace zv {

void Bridge::openLink(const std::string& url) {
  // Only web addresses: the shell would run anything else it is given.
  if (url.starts_with("https://") || url.starts_with("http://")) services_.openUrl(url);
}

void Bridge::sendSettings() {
  postPageEvent(settingsEvent(videoOptionsPath(config_, setup_.clientFolder), prefs_.prefLang, listDisplayModes()));
}

void Bridge::saveVideoSettings(const Json& command) {
  postPageEvent(saveSettings(videoOptionsPath(config_, setup_.clientFolder), command));
}

void Bridge::setLanguage(const Json& command) {
  const std::string& lang = command.get("lang").text();
  if (lang != "lt" && lang != "en" && lang != "ru") return;
  prefs_.prefLang = lang;
  (void)savePreferences(prefs_);
}

void Bridge::setTheme(const Json& command) {
  const std::string& theme = command.get("theme").text();
  const std::string& mode = command.get("mode").text();
  if (!isValidThemeName(theme) || (mode != "dark" && mode != "light")) return;
  const std::string& bg = command.get("bg").text();
  prefs_.prefTheme = theme;
  prefs_.prefMode = mode;
  prefs_.prefBg = isValidColor(bg) ? bg : "";
  (void)savePreferences(prefs_);
}

void Bridge::setArt(const Json& command) {
  ThemePicture requested;  // an empty file name asks for no picture
  if (!command.get("file").text().empty() && !parseArt(command, requested)) return;
  // The same picture again changes nothing, unless it failed to draw before.
  if (requested == prefs_.art && (prefs_.art.file.empty() || window_.artDrawn())) return;
  prefs_.art = requested;
  window_.showArt(prefs_.art);
  (void)savePreferences(prefs_);
}

}  // namespace zv

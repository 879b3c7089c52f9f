// The page's calls that change settings or leave the launcher: links, the
// game's video options, language, theme and theme picture.

#include "bridge/bridge.h"
#include "bridge/page_protocol.h"
#include "data/percent_encoding.h"
#include "data/text_rules.h"
#include "data/video_options.h"
#include "platform/display_modes.h"

namespace zv {

void Bridge::openUrl(const std::string& url) {
  // Only web addresses: the shell would run anything else it is given. Encoded
  // for the browser's command line: a link from the news must never close the
  // quotes around it and add arguments of its own (a valid URL stays as it is).
  if (!url.starts_with("https://") && !url.starts_with("http://")) return;
  services_.openUrl(percentEncode(url, isLiteralUrlByte));
}

void Bridge::getSettings() {
  const VideoSettings settings = readVideoSettings(videoOptionsPath(config_, setup_.clientFolder), listDisplayModes());
  postPageEvent(settingsEvent(settings, prefs_.prefLang));
}

void Bridge::saveSettings(const VideoChoice& choice) {
  postPageEvent(settingsSavedEvent(saveVideoChoice(videoOptionsPath(config_, setup_.clientFolder), choice)));
}

void Bridge::setLanguage(const std::string& lang) {
  if (lang != "lt" && lang != "en" && lang != "ru") return;
  prefs_.prefLang = lang;
  (void)savePreferences(prefs_);
}

void Bridge::setTheme(const std::string& theme, const std::string& mode, const std::string& bg) {
  if (!isValidThemeName(theme) || (mode != "dark" && mode != "light")) return;
  prefs_.prefTheme = theme;
  prefs_.prefMode = mode;
  prefs_.prefBg = isValidColor(bg) ? bg : "";
  (void)savePreferences(prefs_);
}

void Bridge::setArt(const ThemePicture& picture) {
  // The same picture again changes nothing, unless it failed to draw before.
  if (picture == prefs_.art && (prefs_.art.file.empty() || window_.artDrawn())) return;
  prefs_.art = picture;
  window_.showArt(prefs_.art);
  (void)savePreferences(prefs_);
}

}  // namespace zv

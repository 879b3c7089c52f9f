#include "data/preferences.h"

#include <charconv>
#include <system_error>

#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

// The file name from before there was one file per client folder.
constexpr std::string_view sharedPreferencesFile = "prefs.json";
constexpr std::string_view classicTheme = "classic";

bool isKnownLanguage(std::string_view lang) { return lang == "lt" || lang == "en" || lang == "ru"; }
bool isMode(std::string_view mode) { return mode == "dark" || mode == "light"; }

uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }

void applyDocument(Preferences& prefs) {
  const Json& doc = prefs.prefsDocument;
  const std::string lang(doc.get("lang").text());
  if (isKnownLanguage(lang)) prefs.prefLang = lang;
  std::string theme(doc.get("theme").text());
  std::string mode(doc.get("mode").text());
  // Older files stored the mode as a theme.
  if (isMode(theme)) {
    if (mode.empty()) mode = theme;
    theme.clear();
  }
  if (isValidThemeName(theme)) {
    prefs.prefTheme = theme;
    // A colour belongs to its theme: without a theme it means nothing.
    const std::string bg(doc.get("bg").text());
    prefs.prefBg = isValidColor(bg) ? bg : std::string();
  }
  if (isMode(mode)) prefs.prefMode = mode;
  // A bad description leaves no picture.
  (void)parseArt(doc.get("art"), prefs.art);
}

bool isRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

Preferences loadPreferences(const LauncherConfig& config, const std::filesystem::path& dataFolder,
                            std::string_view installTag) {
  Preferences prefs;
  prefs.prefLang = config.language;
  prefs.prefTheme = config.theme;
  prefs.prefMode = config.mode;
  prefs.prefsPath = dataFolder / pathFromUtf8("prefs-" + std::string(installTag) + ".json");
  std::string text;
  if (!readTextFile(prefs.prefsPath, text) &&
      !readTextFile(dataFolder / pathFromUtf8(sharedPreferencesFile), text)) {
    return prefs;
  }
  Json document = Json::parse(text);
  if (document.isObject()) prefs.prefsDocument = std::move(document);
  applyDocument(prefs);
  return prefs;
}

bool savePreferences(Preferences& prefs) {
  Json& doc = prefs.prefsDocument;
  doc.set("lang", prefs.prefLang);
  doc.set("theme", prefs.prefTheme);
  doc.set("mode", prefs.prefMode);
  doc.set("bg", prefs.prefBg);
  doc.set("art", artToJson(prefs.art));
  return writeTextFileAtomic(prefs.prefsPath, doc.dump(true) + "\n");
}

bool themeExists(std::string_view name, const std::filesystem::path& uiFolder) {
  if (name == classicTheme) return true;
  if (!isValidThemeName(name)) return false;
  std::error_code error;
  return std::filesystem::is_directory(joinRelative(uiFolder, "themes/" + std::string(name)), error);
}

void resolveTheme(Preferences& prefs, const LauncherConfig& config, const std::filesystem::path& uiFolder) {
  if (themeExists(prefs.prefTheme, uiFolder)) {
    const std::string& file = prefs.art.file;
    // The record normally comes through parseArt; the path test keeps a
    // hand-made one from reaching outside the page folder.
    if (!file.empty() && (!isSafeRelativePath(file) || !isRegularFile(joinRelative(uiFolder, file)))) {
      prefs.art.file.clear();
    }
    return;
  }
  prefs.prefTheme = themeExists(config.theme, uiFolder) ? config.theme : std::string(classicTheme);
  prefs.prefBg.clear();
  prefs.art = ThemePicture{};
}

uint32_t windowBackgroundColor(const Preferences& prefs) {
  if (isValidColor(prefs.prefBg)) {
    uint32_t value = 0;
    std::from_chars(prefs.prefBg.data() + 1, prefs.prefBg.data() + prefs.prefBg.size(), value, 16);
    return rgb(value >> 16, (value >> 8) & 0xFF, value & 0xFF);
  }
  if (prefs.prefMode == "light") return rgb(0xF3, 0xEE, 0xE8);
  return rgb(0x0E, 0x0C, 0x0F);
}

}  // namespace zv

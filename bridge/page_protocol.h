#pragma once
// The messages between the page and the launcher, in one place: every event
// the page receives is shaped here, with its members in the order the page
// expects, and every command the page sends is read here into a typed value.
// Deciding what a command does, and whether its values are acceptable, is
// the Bridge's.

#include <string>
#include <string_view>
#include <vector>

#include "data/json.h"
#include "data/launcher_config.h"
#include "data/preferences.h"
#include "data/theme_picture.h"
#include "data/video_settings.h"
#include "net/news.h"
#include "net/status.h"
#include "updater/update_events.h"

namespace zv {

// ---- Events: the page gets each as its compact JSON text ----

// {"type":"init", serverName, version, lang, theme, mode, links, news, status}
Json initEvent(const LauncherConfig& config, const Preferences& prefs);
// {"type":"phase", phase}
Json phaseEvent(std::string_view phase);
// {"type":"progress", phase, file, filesDone, filesTotal, bytesDone, bytesTotal, speed}
Json progressEvent(const Progress& progress);
// {"type":"done", ok, canPlay, code, detail, build}
Json doneEvent(bool ok, bool canPlay, std::string_view code, std::string_view detail, std::string_view build);
// {"type":"notice", code, detail}
Json noticeEvent(std::string_view code, std::string_view detail);
// {"type":"news", data}: data left out when the fetch failed.
Json newsEvent(const News& news);
// {"type":"status", online, players}: online null and no players when not known.
Json statusEvent(const ServerStatus& status);
// {"type":"settings", windowed, width, height, lang, resolutions: [[w, h], ...]}
Json settingsEvent(const VideoSettings& settings, std::string_view lang);
// {"type":"settingsSaved", ok}
Json settingsSavedEvent(bool ok);
// {"type":"addons", list: [{id, name, variants, [keys, defaultKey], installed, variant, key}, ...]}
Json addonsEvent(const std::vector<AddonListEntry>& list);

// ---- Commands: what the page asks for ----

struct PageCommand {
  // Ignored: not JSON, no "cmd" text, an unknown command, or a theme picture that cannot be.
  enum class Kind {
    Ignored, Ready, Play, Check, Repair, Cancel, Link, OpenUrl, Minimize, Close, Drag,
    AddonInstall, AddonRemove, GetSettings, SaveSettings, SetLanguage, SetTheme, SetArt,
  };
  Kind kind = Kind::Ignored;
  // The message's texts; a missing or non-text field reads as empty.
  std::string name;                 // Link
  std::string url;                  // OpenUrl
  std::string id, variant, key;     // AddonInstall, AddonRemove (id only)
  std::string lang;                 // SetLanguage
  std::string theme, mode, bg;      // SetTheme
  VideoChoice video;                // SaveSettings
  ThemePicture art;                 // SetArt: an empty file asks for no picture
};

// Reads one message from the page (commands are exact, case-sensitive texts).
PageCommand parsePageCommand(std::string_view text);

}  // namespace zv

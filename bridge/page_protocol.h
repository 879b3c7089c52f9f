#pragma once
// The messages between the page and the launcher, in one place: every event
// the page receives is shaped here, with its members in the order the page
// expects, and every command the page sends is read here into a typed value.
// Deciding what a command does, and whether its values are acceptable, is
// the Bridge's.

#include <string>
#include <string_view>

#include "bridge/page_event.h"
#include "data/launcher_config.h"
#include "data/preferences.h"
#include "data/theme_picture.h"
#include "data/video_settings.h"
#include "net/news.h"
#include "net/status.h"

namespace zv {

// ---- Events: the page gets each as its compact JSON text ----

// {"type":"init", serverName, version, lang, theme, mode, links, news, status}
PageEvent initEvent(const LauncherConfig& config, const Preferences& prefs);
// {"type":"phase", phase}
PageEvent phaseEvent(const std::string& phase);
// {"type":"progress", phase, file, filesDone, filesTotal, bytesDone, bytesTotal, speed}
PageEvent progressEvent(const Progress& progress);
// {"type":"done", ok, canPlay, code, detail, build}
PageEvent doneEvent(const JobResult& result);
// {"type":"notice", code, detail}
PageEvent noticeEvent(const Notice& notice);
// {"type":"news", data}: data left out when the fetch failed.
PageEvent newsEvent(const News& news);
// {"type":"status", online, players}: online null and no players when not known.
PageEvent statusEvent(const ServerStatus& status);
// {"type":"settings", windowed, width, height, lang, resolutions: [[w, h], ...]}
PageEvent settingsEvent(const VideoSettings& settings, std::string_view lang);
// {"type":"settingsSaved", ok}
PageEvent settingsSavedEvent(bool ok);
// {"type":"addons", list: [{id, name, variants, [keys, defaultKey], installed, variant, key}, ...]}
PageEvent addonsEvent(const AddonList& list);

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

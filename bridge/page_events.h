#pragma once
// The events the host itself builds for the page, with their members in the
// order the page protocol fixes. (Progress and add-on list events come ready
// made from the update job.)

#include <string>
#include <string_view>

#include "data/json.h"
#include "data/launcher_config.h"
#include "data/preferences.h"

namespace zv {

// The version the page shows.
inline constexpr const char* kLauncherVersion = "1.0.0";

// {"type":"init", serverName, version, lang, theme, mode, links, news, status}
Json initEvent(const LauncherConfig& config, const Preferences& prefs);
// {"type":"phase", phase}
Json phaseEvent(std::string_view phase);
// {"type":"done", ok, canPlay, code, detail, build}
Json doneEvent(bool ok, bool canPlay, std::string_view code, std::string_view detail, std::string_view build);
// {"type":"notice", code, detail}
Json noticeEvent(std::string_view code, std::string_view detail);

}  // namespace zv

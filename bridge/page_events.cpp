#include "bridge/page_events.h"

#include "net/background_tasks.h"

namespace zv {

Json initEvent(const LauncherConfig& config, const Preferences& prefs) {
  Json links = Json::object();
  for (const LauncherLink& link : config.links) links.set(link.name, true);
  Json event = Json::object();
  event.set("type", "init");
  event.set("serverName", config.serverName);
  event.set("version", kLauncherVersion);
  event.set("lang", prefs.prefLang);
  event.set("theme", prefs.prefTheme);
  event.set("mode", prefs.prefMode);
  event.set("links", std::move(links));
  event.set("news", newsConfigured(config));
  event.set("status", statusConfigured(config));
  return event;
}

Json phaseEvent(std::string_view phase) {
  Json event = Json::object();
  event.set("type", "phase");
  event.set("phase", phase);
  return event;
}

Json doneEvent(bool ok, bool canPlay, std::string_view code, std::string_view detail, std::string_view build) {
  Json event = Json::object();
  event.set("type", "done");
  event.set("ok", ok);
  event.set("canPlay", canPlay);
  event.set("code", code);
  event.set("detail", detail);
  event.set("build", build);
  return event;
}

Json noticeEvent(std::string_view code, std::string_view detail) {
  Json event = Json::object();
  event.set("type", "notice");
  event.set("code", code);
  event.set("detail", detail);
  return event;
}

}  // namespace zv

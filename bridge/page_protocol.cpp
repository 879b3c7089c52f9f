#include "bridge/page_protocol.h"

#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>

#include "data/json.h"
#include "net/background_tasks.h"
#include "zv_version.h"

namespace zv {
namespace {

using Members = std::initializer_list<std::pair<std::string_view, Json>>;

// An object with these members in this order.
Json objectOf(Members members) {
  Json object = Json::object();
  for (const auto& [key, value] : members) object.set(key, value);
  return object;
}

// An event: "type" first, then the members; its text, and the values it was made from.
PageEvent eventOf(std::string_view type, Members members = {}, EventValues values = {}) {
  Json event = objectOf({{"type", type}});
  for (const auto& [key, value] : members) event.set(key, value);
  return {event.dump(), std::move(values), std::string(type)};
}

Json choices(const std::vector<AddonListEntry::Choice>& list) {
  Json out = Json::array();
  for (const AddonListEntry::Choice& choice : list) out.push(objectOf({{"id", choice.id}, {"label", choice.label}}));
  return out;
}

Json addonEntry(const AddonListEntry& addon) {
  Json entry = objectOf({{"id", addon.id}, {"name", addon.name}, {"variants", choices(addon.variants)}});
  if (!addon.keys.empty()) {
    entry.set("keys", choices(addon.keys));
    entry.set("defaultKey", addon.defaultKey);
  }
  entry.set("installed", addon.installed);
  entry.set("variant", addon.variant);
  entry.set("key", addon.key);
  return entry;
}

std::optional<int64_t> wholeNumber(const Json& value) {
  if (!value.isNumber()) return std::nullopt;
  return value.integerOr(0);
}

using Kind = PageCommand::Kind;

// The "cmd" text of each Kind, in the order of the enumeration (Ignored has none).
constexpr std::string_view kCommandNames[] = {
    "", "ready", "play", "check", "repair", "cancel", "link", "openUrl", "minimize", "close", "drag",
    "addonInstall", "addonRemove", "getSettings", "saveSettings", "setLanguage", "setTheme", "setArt"};
static_assert(std::size(kCommandNames) == static_cast<size_t>(Kind::SetArt) + 1);

}  // namespace

PageEvent initEvent(const LauncherConfig& config, const Preferences& prefs) {
  Json links = Json::object();
  for (const LauncherLink& link : config.links) links.set(link.name, true);
  return eventOf("init", {{"serverName", config.serverName},
                          {"version", kVersion},
                          {"lang", prefs.prefLang},
                          {"theme", prefs.prefTheme},
                          {"mode", prefs.prefMode},
                          {"links", std::move(links)},
                          {"news", newsConfigured(config)},
                          {"status", statusConfigured(config)}});
}

PageEvent phaseEvent(const std::string& phase) { return eventOf("phase", {{"phase", phase}}, PhaseStart{phase}); }

PageEvent progressEvent(const Progress& progress) {
  return eventOf("progress",
                 {{"phase", progress.phase}, {"file", progress.file}, {"filesDone", progress.filesDone},
                  {"filesTotal", progress.filesTotal}, {"bytesDone", progress.bytesDone},
                  {"bytesTotal", progress.bytesTotal}, {"speed", progress.speed}},
                 progress);
}

PageEvent doneEvent(const JobResult& result) {
  return eventOf("done",
                 {{"ok", result.ok}, {"canPlay", result.canPlay}, {"code", result.code}, {"detail", result.detail},
                  {"build", result.build}},
                 result);
}

PageEvent noticeEvent(const Notice& notice) {
  return eventOf("notice", {{"code", notice.code}, {"detail", notice.detail}}, notice);
}

PageEvent newsEvent(const News& news) {
  return news ? eventOf("news", {{"data", *news}}) : eventOf("news");
}

PageEvent statusEvent(const ServerStatus& status) {
  if (!status.known) return eventOf("status", {{"online", Json()}});
  return eventOf("status", {{"online", status.online}, {"players", status.players}});
}

PageEvent settingsEvent(const VideoSettings& settings, std::string_view lang) {
  Json resolutions = Json::array();
  for (const Resolution& size : settings.resolutions) {
    resolutions.push(Json::array().push(size.width).push(size.height));
  }
  return eventOf("settings", {{"windowed", settings.options.windowed},
                              {"width", settings.options.width},
                              {"height", settings.options.height},
                              {"lang", lang},
                              {"resolutions", std::move(resolutions)}});
}

PageEvent settingsSavedEvent(bool ok) { return eventOf("settingsSaved", {{"ok", ok}}); }

PageEvent addonsEvent(const AddonList& list) {
  Json entries = Json::array();
  for (const AddonListEntry& addon : list) entries.push(addonEntry(addon));
  return eventOf("addons", {{"list", std::move(entries)}}, list);
}

PageCommand parsePageCommand(std::string_view text) {
  const Json message = Json::parse(text);
  const Json& cmd = message.get("cmd");
  PageCommand command;
  for (size_t i = 1; i < std::size(kCommandNames); ++i) {
    if (cmd.isString() && cmd.text() == kCommandNames[i]) command.kind = static_cast<Kind>(i);
  }
  // Every text is read whatever the command; each call takes the ones it needs.
  const auto field = [&message](const char* key) { return message.get(key).text(); };
  command.name = field("name");
  command.url = field("url");
  command.id = field("id");
  command.variant = field("variant");
  command.key = field("key");
  command.lang = field("lang");
  command.theme = field("theme");
  command.mode = field("mode");
  command.bg = field("bg");
  if (message.get("windowed").isBool()) command.video.windowed = message.get("windowed").boolOr(false);
  command.video.width = wholeNumber(message.get("width"));
  command.video.height = wholeNumber(message.get("height"));
  // An empty file asks for no picture; any other must pass the picture's checks.
  if (command.kind == Kind::SetArt && !field("file").empty() && !parseArt(message, command.art)) {
    command.kind = Kind::Ignored;
  }
  return command;
}

}  // namespace zv

#include "bridge/page_protocol.h"

#include <iterator>
#include <optional>

#include "net/background_tasks.h"
#include "zv_version.h"

namespace zv {
namespace {

Json eventOf(std::string_view type) {
  Json event = Json::object();
  event.set("type", type);
  return event;
}

Json choices(const std::vector<AddonListEntry::Choice>& list) {
  Json out = Json::array();
  for (const AddonListEntry::Choice& choice : list) {
    Json pair = Json::object();
    pair.set("id", choice.id);
    pair.set("label", choice.label);
    out.push(std::move(pair));
  }
  return out;
}

Json addonEntry(const AddonListEntry& addon) {
  Json entry = Json::object();
  entry.set("id", addon.id);
  entry.set("name", addon.name);
  entry.set("variants", choices(addon.variants));
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

Json initEvent(const LauncherConfig& config, const Preferences& prefs) {
  Json links = Json::object();
  for (const LauncherLink& link : config.links) links.set(link.name, true);
  Json event = eventOf("init");
  event.set("serverName", config.serverName);
  event.set("version", kVersion);
  event.set("lang", prefs.prefLang);
  event.set("theme", prefs.prefTheme);
  event.set("mode", prefs.prefMode);
  event.set("links", std::move(links));
  event.set("news", newsConfigured(config));
  event.set("status", statusConfigured(config));
  return event;
}

Json phaseEvent(std::string_view phase) {
  Json event = eventOf("phase");
  event.set("phase", phase);
  return event;
}

Json progressEvent(const Progress& progress) {
  Json event = eventOf("progress");
  event.set("phase", progress.phase);
  event.set("file", progress.file);
  event.set("filesDone", progress.filesDone);
  event.set("filesTotal", progress.filesTotal);
  event.set("bytesDone", progress.bytesDone);
  event.set("bytesTotal", progress.bytesTotal);
  event.set("speed", progress.speed);
  return event;
}

Json doneEvent(bool ok, bool canPlay, std::string_view code, std::string_view detail, std::string_view build) {
  Json event = eventOf("done");
  event.set("ok", ok);
  event.set("canPlay", canPlay);
  event.set("code", code);
  event.set("detail", detail);
  event.set("build", build);
  return event;
}

Json noticeEvent(std::string_view code, std::string_view detail) {
  Json event = eventOf("notice");
  event.set("code", code);
  event.set("detail", detail);
  return event;
}

Json newsEvent(const News& news) {
  Json event = eventOf("news");
  if (news.fetched) event.set("data", news.document);
  return event;
}

Json statusEvent(const ServerStatus& status) {
  Json event = eventOf("status");
  if (!status.known) {
    event.set("online", Json());
    return event;
  }
  event.set("online", status.online);
  event.set("players", status.players);
  return event;
}

Json settingsEvent(const VideoSettings& settings, std::string_view lang) {
  Json resolutions = Json::array();
  for (const Resolution& size : settings.resolutions) {
    resolutions.push(Json::array().push(size.width).push(size.height));
  }
  Json event = eventOf("settings");
  event.set("windowed", settings.options.windowed);
  event.set("width", settings.options.width);
  event.set("height", settings.options.height);
  event.set("lang", lang);
  event.set("resolutions", std::move(resolutions));
  return event;
}

Json settingsSavedEvent(bool ok) {
  Json event = eventOf("settingsSaved");
  event.set("ok", ok);
  return event;
}

Json addonsEvent(const std::vector<AddonListEntry>& list) {
  Json entries = Json::array();
  for (const AddonListEntry& addon : list) entries.push(addonEntry(addon));
  Json event = eventOf("addons");
  event.set("list", std::move(entries));
  return event;
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

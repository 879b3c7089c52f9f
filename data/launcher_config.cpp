#include "data/launcher_config.h"

#include "data/json.h"
#include "data/text_rules.h"
#include "platform/file.h"

namespace zv {
namespace {

// A theme of "dark" or "light" is an old way of giving the mode; any other
// unknown mode falls back to dark.
void normaliseLook(LauncherConfig& config) {
  if (config.theme == "dark" || config.theme == "light") {
    if (config.mode.empty()) config.mode = config.theme;
    config.theme.clear();
  }
  if (!isValidThemeName(config.theme)) config.theme.clear();
  if (config.mode != "light") config.mode = "dark";
}

// A whole number from 1 to kMaxTransfers; anything else keeps the default,
// as a value of the wrong type does for every other key.
int32_t readTransfers(const Json& value) {
  const double wanted = value.numberOr(0);
  if (!(wanted >= 1 && wanted <= kMaxTransfers) || wanted != static_cast<double>(static_cast<int32_t>(wanted))) {
    return kDefaultTransfers;
  }
  return static_cast<int32_t>(wanted);
}

void readLinks(const Json& links, LauncherConfig& config) {
  for (const auto& [name, value] : links.members()) {
    const std::string url(value.text());
    // Links open in the system browser, so nothing but web addresses.
    if (url.starts_with("https://") || url.starts_with("http://")) config.links.push_back({name, url});
  }
}

bool validatePaths(const LauncherConfig& config, std::string& error) {
  if (!isSafeRelativePath(config.game)) {
    error = "ZarvoLauncher.json: \"game\" must be a path inside the client folder, e.g. system/L2.exe";
    return false;
  }
  if (!config.workDir.empty() && !isSafeRelativePath(config.workDir)) {
    error = "ZarvoLauncher.json: \"workDir\" must be a folder inside the client folder, e.g. .zarvo_update";
    return false;
  }
  if (!config.options.empty() && !isSafeRelativePath(config.options)) {
    error = "ZarvoLauncher.json: bad \"options\" path";
    return false;
  }
  return true;
}

}  // namespace

std::string LauncherConfig::linkUrl(std::string_view name) const {
  for (const LauncherLink& link : links) {
    if (link.name == name) return link.url;
  }
  return {};
}

bool loadLauncherConfig(std::string_view text, LauncherConfig& out, std::string& error) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string parseError;
  const Json root = Json::parse(text, &parseError);
  if (!root.isObject()) {
    error = "ZarvoLauncher.json is not valid JSON: " + parseError;
    return false;
  }

  LauncherConfig config;
  config.serverName = root.get("serverName").stringOr(config.serverName);
  config.updateUrl = root.get("updateUrl").stringOr("");
  config.publicKey = asciiLower(root.get("publicKey").text());
  config.newsUrl = root.get("newsUrl").stringOr("");
  config.statusUrl = root.get("statusUrl").stringOr("");
  config.statusHost = root.get("statusHost").stringOr("");
  config.statusPort = truncateToInt32(root.get("statusPort").numberOr(0));
  config.game = root.get("game").stringOr(config.game);
  config.gameArgs = root.get("gameArgs").stringOr("");
  config.options = root.get("options").stringOr(config.options);
  config.workDir = root.get("workDir").stringOr("");
  config.language = asciiLower(root.get("language").stringOr(config.language));
  config.theme = asciiLower(root.get("theme").text());
  config.mode = asciiLower(root.get("mode").text());
  config.closeOnPlay = root.get("closeOnPlay").boolOr(true);
  config.desktopShortcut = root.get("desktopShortcut").boolOr(true);
  config.transfers = readTransfers(root.get("transfers"));
  config.chunkPatch = root.get("chunkPatch").boolOr(true);
  readLinks(root.get("links"), config);

  if (!config.updateUrl.empty() && config.updateUrl.back() != '/') config.updateUrl += '/';
  normaliseLook(config);
  if (!validatePaths(config, error)) return false;
  out = std::move(config);
  return true;
}

bool loadLauncherConfigFile(const std::filesystem::path& path, LauncherConfig& out, std::string& error) {
  std::string text;
  if (!readTextFile(path, text)) {
    error = "ZarvoLauncher.json not found next to the launcher";
    return false;
  }
  return loadLauncherConfig(text, out, error);
}

}  // namespace zv

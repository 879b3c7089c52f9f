#pragma once
// The publisher's settings from ZarvoLauncher.json (or the built-in copy):
// loaded and validated once at start-up, read-only afterwards, so every thread
// may read it without locking.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// How many files a download pass fetches at once ("transfers"): 1 is one
// after another. The default was measured (bench/latency): 500 small files
// over a 40 ms round trip install as fast as curl's 8 parallel transfers
// fetch them, in under a fifth of the time of one transfer.
inline constexpr int32_t kDefaultTransfers = 8;
inline constexpr int32_t kMaxTransfers = 16;

struct LauncherLink {
  std::string name;
  std::string url;
};

struct LauncherConfig {
  std::string serverName = "Lineage II";
  std::string updateUrl;  // empty, or ends with "/"
  std::string publicKey;  // lower case; checked for form only when updating
  std::string newsUrl;
  std::string statusUrl;
  std::string statusHost;
  int32_t statusPort = 0;
  std::string game = "system/L2.exe";         // relative to the client folder
  std::string gameArgs;
  std::string options = "system/Option.ini";  // relative to the client folder; empty: none
  std::string workDir;                        // relative to the client folder; empty: ".zarvo_update"
  std::string language = "lt";
  std::string theme;           // empty or a valid theme name
  std::string mode = "dark";   // "dark" or "light"
  bool closeOnPlay = true;
  bool desktopShortcut = true;
  int32_t transfers = kDefaultTransfers;  // 1 to kMaxTransfers
  bool chunkPatch = true;  // fetch only the chunks of a wrong file that differ, where the manifest allows
  std::vector<LauncherLink> links;  // only http:// and https:// URLs

  // The url of the first link with exactly this name, or "".
  std::string linkUrl(std::string_view name) const;
};

// Parses and validates a configuration text (a leading UTF-8 byte-order mark
// is ignored). On success replaces out; on failure leaves it untouched and
// error holds the message to show the publisher.
[[nodiscard]] bool loadLauncherConfig(std::string_view text, LauncherConfig& out, std::string& error);

// loadLauncherConfig of the file's bytes; an unreadable file gives
// "ZarvoLauncher.json not found next to the launcher".
[[nodiscard]] bool loadLauncherConfigFile(const std::filesystem::path& path, LauncherConfig& out, std::string& error);

}  // namespace zv

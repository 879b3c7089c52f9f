#pragma once
// The files a launcher keeps for itself in its client folder: its
// configuration, its log, its work folder and its own executable. A release
// never replaces or deletes them: a manifest that did would leave every
// player's launcher without its settings ("noconfig" from then on) or
// without its state. The executable changes only through its own entry.

#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

struct Manifest;

inline constexpr const char* kConfigFileName = "ZarvoLauncher.json";
inline constexpr const char* kLogFileName = "ZarvoLauncher.log";

struct LauncherFiles {
  std::string workDir;     // client-relative; empty: the default work folder
  std::string executable;  // client-relative; empty: not in the client folder
};

// The running launcher's files in clientFolder, from its path (empty when
// unknown) and the configured work folder.
LauncherFiles launcherFilesOf(const std::filesystem::path& clientFolder, const std::filesystem::path& launcherPath,
                              std::string_view workDir);

// Whether the client-relative path is one of these files or lies in the
// work folder, letter case ignored as Windows does.
bool isLauncherOwnPath(std::string_view path, const LauncherFiles& own);

// Whether a clean-up pattern could select one of them.
bool cleanupTouchesLauncher(std::string_view pattern, const LauncherFiles& own);

// Passes over every entry that would replace or delete one of them: client
// and add-on files, "remove" entries and clean-up patterns. The rest of the
// release is applied as usual, so one mistaken entry does not stop updates.
void dropLauncherOwnEntries(Manifest& manifest, const LauncherFiles& own);

}  // namespace zv

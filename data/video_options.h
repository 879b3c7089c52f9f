#pragma once
// The game's own video options (windowed or full screen, resolution), kept in
// the [Video] section of its INI options file. We change three keys and leave
// every other line as the game or the player wrote it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "data/launcher_config.h"

namespace zv {

struct VideoOptions {
  bool windowed = true;  // the file holds the opposite, StartupFullScreen
  int32_t width = 1024;  // GamePlayViewportX
  int32_t height = 768;  // GamePlayViewportY

  bool operator==(const VideoOptions&) const = default;
};

// Applies the [Video] keys found in an options text to options; later lines win.
void applyVideoOptionsText(std::string_view text, VideoOptions& options);

// The options text with the three keys set: lines holding them in any [Video]
// section are rewritten, missing ones go at the end of the last [Video]
// section, or into a new one on top (below lines that stand outside any
// section). Other lines are unchanged; every line ends in CR LF, the last one
// only when the text was not empty.
std::string rewriteVideoOptionsText(std::string_view text, const VideoOptions& options);

// False when the file cannot be read; options then stay as they were.
[[nodiscard]] bool readVideoOptions(const std::filesystem::path& path, VideoOptions& options);

// Rewrites (or creates) the file atomically; false when it was not written.
[[nodiscard]] bool writeVideoOptions(const std::filesystem::path& path, const VideoOptions& options);

// The game's options file in the client folder; empty when the game has none.
std::filesystem::path videoOptionsPath(const LauncherConfig& config, const std::filesystem::path& clientFolder);

}  // namespace zv

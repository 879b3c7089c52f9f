#pragma once
// What the settings dialog of the page shows and saves: the game's video
// options, the page language and the sizes the screen offers.

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "data/video_options.h"
#include "platform/display_modes.h"

namespace zv {

struct Resolution {
  int32_t width = 0;
  int32_t height = 0;

  auto operator<=>(const Resolution&) const = default;
};

// Distinct sizes of modes of at least 800 x 600 at 32 bits per pixel or more,
// plus the current size whatever it is, ascending by width, then height.
std::vector<Resolution> resolutionsFromModes(const std::vector<DisplayMode>& modes, int32_t currentWidth,
                                             int32_t currentHeight);

// What the settings dialog shows: the stored options (defaults when
// optionsPath is empty or unreadable) and the selectable sizes.
struct VideoSettings {
  VideoOptions options;
  std::vector<Resolution> resolutions;
};
VideoSettings readVideoSettings(const std::filesystem::path& optionsPath,
                                const std::vector<DisplayMode>& displayModes);

// The player's choice; an empty member keeps the stored value. Sizes are
// already truncated to whole numbers.
struct VideoChoice {
  std::optional<bool> windowed;
  std::optional<int64_t> width;
  std::optional<int64_t> height;
};

// Writes the choice into the options file; true when it was written. A size
// outside 640..16384 x 480..16384 keeps the stored size; the windowed choice
// is written either way. An empty optionsPath answers false.
[[nodiscard]] bool saveVideoChoice(const std::filesystem::path& optionsPath, const VideoChoice& choice);

}  // namespace zv

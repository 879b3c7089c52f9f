#include "data/video_settings.h"

#include <algorithm>

namespace zv {
namespace {

constexpr int32_t minModeWidth = 800;
constexpr int32_t minModeHeight = 600;
constexpr int32_t minBitsPerPixel = 32;
constexpr int32_t minSavedWidth = 640;
constexpr int32_t minSavedHeight = 480;
constexpr int32_t maxSavedSide = 16384;

VideoOptions storedOptions(const std::filesystem::path& optionsPath) {
  VideoOptions options;
  // Unreadable or absent: the defaults stand.
  if (!optionsPath.empty()) (void)readVideoOptions(optionsPath, options);
  return options;
}

}  // namespace

std::vector<Resolution> resolutionsFromModes(const std::vector<DisplayMode>& modes, int32_t currentWidth,
                                             int32_t currentHeight) {
  std::vector<Resolution> sizes;
  for (const DisplayMode& mode : modes) {
    if (mode.width >= minModeWidth && mode.height >= minModeHeight && mode.bitsPerPixel >= minBitsPerPixel) {
      sizes.push_back({mode.width, mode.height});
    }
  }
  // The size the game uses now stays selectable even when the screen lacks it.
  sizes.push_back({currentWidth, currentHeight});
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

VideoSettings readVideoSettings(const std::filesystem::path& optionsPath,
                                const std::vector<DisplayMode>& displayModes) {
  VideoSettings settings;
  settings.options = storedOptions(optionsPath);
  settings.resolutions = resolutionsFromModes(displayModes, settings.options.width, settings.options.height);
  return settings;
}

bool saveVideoChoice(const std::filesystem::path& optionsPath, const VideoChoice& choice) {
  VideoOptions options = storedOptions(optionsPath);
  options.windowed = choice.windowed.value_or(options.windowed);
  const int64_t width = choice.width.value_or(options.width);
  const int64_t height = choice.height.value_or(options.height);
  if (width >= minSavedWidth && width <= maxSavedSide && height >= minSavedHeight && height <= maxSavedSide) {
    options.width = static_cast<int32_t>(width);
    options.height = static_cast<int32_t>(height);
  }
  return !optionsPath.empty() && writeVideoOptions(optionsPath, options);
}

}  // namespace zv

#include "data/video_settings.h"

#include <algorithm>

#include "data/video_options.h"

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

std::vector<Resolution> collectResolutions(int32_t currentWidth, int32_t currentHeight) {
  return resolutionsFromModes(listDisplayModes(), currentWidth, currentHeight);
}

Json settingsEvent(const std::filesystem::path& optionsPath, std::string_view lang,
                   const std::vector<DisplayMode>& displayModes) {
  const VideoOptions options = storedOptions(optionsPath);
  Json resolutions = Json::array();
  for (const Resolution& size : resolutionsFromModes(displayModes, options.width, options.height)) {
    resolutions.push(Json::array().push(size.width).push(size.height));
  }
  Json event = Json::object();
  event.set("type", "settings");
  event.set("windowed", options.windowed);
  event.set("width", options.width);
  event.set("height", options.height);
  event.set("lang", lang);
  event.set("resolutions", std::move(resolutions));
  return event;
}

Json saveSettings(const std::filesystem::path& optionsPath, const Json& command) {
  VideoOptions options = storedOptions(optionsPath);
  options.windowed = command.get("windowed").boolOr(options.windowed);
  const int64_t width = command.get("width").integerOr(options.width);
  const int64_t height = command.get("height").integerOr(options.height);
  if (width >= minSavedWidth && width <= maxSavedSide && height >= minSavedHeight && height <= maxSavedSide) {
    options.width = static_cast<int32_t>(width);
    options.height = static_cast<int32_t>(height);
  }
  const bool ok = !optionsPath.empty() && writeVideoOptions(optionsPath, options);
  Json event = Json::object();
  event.set("type", "settingsSaved");
  event.set("ok", ok);
  return event;
}

}  // namespace zv

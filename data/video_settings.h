#pragma once
// What the settings dialog of the page shows and saves: the game's video
// options, the page language and the sizes the screen offers.

#include <compare>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "data/json.h"
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

// resolutionsFromModes of this machine's display modes.
std::vector<Resolution> collectResolutions(int32_t currentWidth, int32_t currentHeight);

// The "settings" event: the stored options (defaults when optionsPath is
// empty or unreadable), the page language and the selectable sizes.
Json settingsEvent(const std::filesystem::path& optionsPath, std::string_view lang,
                   const std::vector<DisplayMode>& displayModes);

// Carries out a "saveSettings" command and gives the "settingsSaved" event.
// A size outside 640..16384 x 480..16384 keeps the stored size; the windowed
// choice is written either way. An empty optionsPath answers false.
Json saveSettings(const std::filesystem::path& optionsPath, const Json& command);

}  // namespace zv

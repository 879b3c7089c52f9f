#pragma once
// The display modes the player's screen offers, for the game's resolution
// choice. Raw: the caller filters and sorts.

#include <cstdint>
#include <string_view>
#include <vector>

namespace zv {

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
};

// Windows: every mode of the primary display. Elsewhere: the modes of the
// primary (else first connected) output as xrandr reports them when an X
// display is set and xrandr answers promptly; otherwise a fixed list of
// common sizes. May be empty.
std::vector<DisplayMode> listDisplayModes();

// The modes of the primary output (else the first connected one) in the text
// of `xrandr --query`, at 32 bits per pixel (X servers at depth 24 store 32).
std::vector<DisplayMode> parseXrandrModes(std::string_view output);

}  // namespace zv

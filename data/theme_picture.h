#pragma once
// The theme picture drawn behind the main window: which file of the page
// folder, where relative to the window and how tall (96-DPI units). The page's
// "setArt" command and the stored preferences describe it the same way.

#include <cstdint>
#include <string>

#include "data/json.h"

namespace zv {

struct ThemePicture {
  std::string file;  // relative to the page folder; empty: no picture
  int32_t x = 0;
  int32_t y = 0;
  int32_t height = 0;

  bool operator==(const ThemePicture&) const = default;
};

// Checks a picture description ({"file", "x", "y", "height"}) and fills out
// only when it is acceptable: a safe relative ".png" path of at most 200 bytes,
// x and y clamped to -3000..3000, height clamped to at most 2000 and at least 16.
[[nodiscard]] bool parseArt(const Json& value, ThemePicture& out);

// {"file", "x", "y", "height"} for a picture, {} for none.
Json artToJson(const ThemePicture& picture);

}  // namespace zv

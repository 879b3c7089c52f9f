#include <windows.h>

#include "platform/display_modes.h"

namespace zv {

std::vector<DisplayMode> listDisplayModes() {
  std::vector<DisplayMode> modes;
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  // No device name: the primary display. Mode numbers count up until the call fails.
  for (DWORD index = 0; EnumDisplaySettingsW(nullptr, index, &mode); ++index) {
    modes.push_back({static_cast<int32_t>(mode.dmPelsWidth), static_cast<int32_t>(mode.dmPelsHeight),
                     static_cast<int32_t>(mode.dmBitsPerPel)});
  }
  return modes;
}

}  // namespace zv

#include "platform/display_modes.h"

#include <charconv>

namespace zv {
namespace {

constexpr int32_t xrandrBitsPerPixel = 32;

// "1920x1080", "1920x1080i" or "1920x1080_60.00" at the start of text.
bool parseModeName(std::string_view text, DisplayMode& mode) {
  const char* end = text.data() + text.size();
  auto [afterWidth, widthError] = std::from_chars(text.data(), end, mode.width);
  if (widthError != std::errc() || afterWidth == end || *afterWidth != 'x') return false;
  auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, mode.height);
  if (heightError != std::errc()) return false;
  mode.bitsPerPixel = xrandrBitsPerPixel;
  return mode.width > 0 && mode.height > 0;
}

// An output line: "<name> connected [primary] ..." at the start of a line.
bool isConnectedOutput(std::string_view line, bool& primary) {
  const size_t space = line.find(' ');
  if (space == 0 || space == std::string_view::npos) return false;
  const std::string_view rest = line.substr(space + 1);
  if (!rest.starts_with("connected")) return false;
  primary = rest.starts_with("connected primary");
  return true;
}

}  // namespace

std::vector<DisplayMode> parseXrandrModes(std::string_view output) {
  std::vector<DisplayMode> first;
  std::vector<DisplayMode> current;
  bool inConnected = false;
  bool currentPrimary = false;
  bool haveFirst = false;
  auto finishOutput = [&]() -> bool {
    if (!inConnected) return false;
    if (currentPrimary) return true;
    if (!haveFirst) {
      first = current;
      haveFirst = true;
    }
    return false;
  };
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string_view::npos) end = output.size();
    const std::string_view line = output.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    if (line[0] == ' ' || line[0] == '\t') {
      const size_t text = line.find_first_not_of(" \t");
      DisplayMode mode;
      if (inConnected && text != std::string_view::npos && parseModeName(line.substr(text), mode)) {
        current.push_back(mode);
      }
      continue;
    }
    // A new output (or the "Screen" line) ends the previous one.
    if (finishOutput()) return current;
    current.clear();
    inConnected = isConnectedOutput(line, currentPrimary);
  }
  if (finishOutput()) return current;
  return first;
}

}  // namespace zv

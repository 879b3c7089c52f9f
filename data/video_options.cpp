#include "data/video_options.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "data/ini_lines.h"
#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr std::string_view blanks = " \t\r\n";
constexpr std::string_view videoHeader = "[video]";
constexpr std::string_view widthKey = "GamePlayViewportX";
constexpr std::string_view heightKey = "GamePlayViewportY";
constexpr std::string_view fullScreenKey = "StartupFullScreen";

bool isHeader(std::string_view trimmed) { return !trimmed.empty() && trimmed.front() == '['; }
bool isVideoHeader(std::string_view trimmed) { return asciiLower(trimmed) == videoHeader; }

// The key of a key line in lower case, or empty when the line has no "=".
std::string lowerKey(std::string_view trimmed) {
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return {};
  return asciiLower(trimIni(trimmed.substr(0, equals), blanks));
}

// The C library's atoi, without its undefined overflow: values beyond the
// 32-bit range stop at its ends, as the Microsoft runtime's atoi does.
int32_t leadingInteger(std::string_view text) {
  size_t i = text.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string_view::npos) return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), limit);
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

// A new [Video] section goes on top of the file, unless lines before the
// first header hold settings: on top, the header would pull them into [Video]
// (where a stale GamePlayViewportX there would override ours), so then it
// goes just before the first header, or at the end when there is none.
size_t newSectionIndex(const std::vector<std::string>& lines) {
  size_t firstHeader = 0;
  bool settingsBefore = false;
  for (; firstHeader < lines.size(); ++firstHeader) {
    const std::string_view trimmed = trimIni(lines[firstHeader], blanks);
    if (isHeader(trimmed)) break;
    if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') settingsBefore = true;
  }
  return settingsBefore ? firstHeader : 0;
}

struct KeyLine {
  std::string_view key;
  std::string line;
  bool written = false;
};

}  // namespace

void applyVideoOptionsText(std::string_view text, VideoOptions& options) {
  bool inVideo = false;
  for (const std::string& line : splitIniLines(text)) {
    const std::string_view trimmed = trimIni(line, blanks);
    if (isHeader(trimmed)) {
      inVideo = isVideoHeader(trimmed);
      continue;
    }
    const std::string key = lowerKey(trimmed);
    if (!inVideo || key.empty()) continue;
    const std::string_view value = trimIni(trimmed.substr(trimmed.find('=') + 1), blanks);
    if (key == asciiLower(widthKey)) {
      options.width = leadingInteger(value);
    } else if (key == asciiLower(heightKey)) {
      options.height = leadingInteger(value);
    } else if (key == asciiLower(fullScreenKey)) {
      options.windowed = asciiLower(value) != "true";
    }
  }
}

std::string rewriteVideoOptionsText(std::string_view text, const VideoOptions& options) {
  std::vector<std::string> lines = splitIniLines(text);
  std::array<KeyLine, 3> keys = {{
      {widthKey, std::string(widthKey) + "=" + std::to_string(options.width)},
      {heightKey, std::string(heightKey) + "=" + std::to_string(options.height)},
      {fullScreenKey, std::string(fullScreenKey) + "=" + (options.windowed ? "False" : "True")},
  }};
  constexpr size_t none = static_cast<size_t>(-1);
  size_t header = none;
  size_t sectionEnd = none;
  bool inVideo = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view trimmed = trimIni(lines[i], blanks);
    if (isHeader(trimmed)) {
      if (inVideo && sectionEnd == none) sectionEnd = i;
      inVideo = isVideoHeader(trimmed);
      if (inVideo) {
        // Missing keys go into the last [Video] section: the one whose end we track.
        header = i;
        sectionEnd = none;
      }
      continue;
    }
    if (!inVideo) continue;
    const std::string key = lowerKey(trimmed);
    for (KeyLine& wanted : keys) {
      if (!key.empty() && key == asciiLower(wanted.key)) {
        lines[i] = wanted.line;
        wanted.written = true;
      }
    }
  }
  if (header == none) {
    header = newSectionIndex(lines);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(header), "[Video]");
    sectionEnd = header + 1;
  } else if (sectionEnd == none) {
    sectionEnd = lines.size();
  }
  // New keys follow the section's last non-blank line; blank lines before the
  // next header stay where they are.
  while (sectionEnd > header + 1 && trimIni(lines[sectionEnd - 1], blanks).empty()) --sectionEnd;
  for (const KeyLine& wanted : keys) {
    if (!wanted.written) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd++), wanted.line);
  }
  std::string result = joinIniLines(lines, "\r\n");
  if (!text.empty()) result += "\r\n";
  return result;
}

bool readVideoOptions(const std::filesystem::path& path, VideoOptions& options) {
  std::string text;
  if (!readTextFile(path, text)) return false;
  applyVideoOptionsText(text, options);
  return true;
}

bool writeVideoOptions(const std::filesystem::path& path, const VideoOptions& options) {
  std::string text;
  // A missing file is created with a [Video] section of its own.
  if (!readTextFile(path, text)) text.clear();
  return writeTextFileAtomic(path, rewriteVideoOptionsText(text, options));
}

std::filesystem::path videoOptionsPath(const LauncherConfig& config, const std::filesystem::path& clientFolder) {
  if (config.options.empty() || !isSafeRelativePath(config.options)) return {};
  return joinRelative(clientFolder, config.options);
}

}  // namespace zv

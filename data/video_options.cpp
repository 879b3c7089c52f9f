#include "data/video_options.h"

#include <algorithm>
#include <limits>
#include <system_error>

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

bool isVideoHeader(std::string_view trimmed) { return asciiLower(trimmed) == videoHeader; }

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

// The game reads the last of the entries in any [Video] section and wants CR LF.
constexpr IniRules videoRules{blanks, IniRules::Scope::EveryEntryOfEverySection, IniRules::NewSection::OnTop,
                              IniRules::LineBreaks::CrLf};

}  // namespace

void applyVideoOptionsText(std::string_view text, VideoOptions& options) {
  bool inVideo = false;
  for (const std::string& line : splitIniLines(text)) {
    const std::string_view trimmed = trimIni(line, blanks);
    if (isIniHeader(trimmed)) {
      inVideo = isVideoHeader(trimmed);
      continue;
    }
    const std::string key = lowerIniKey(trimmed, blanks);
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
  return setIniEntries(text, "Video",
                       {{widthKey, std::to_string(options.width)},
                        {heightKey, std::to_string(options.height)},
                        {fullScreenKey, options.windowed ? "False" : "True"}},
                       videoRules);
}

bool readVideoOptions(const std::filesystem::path& path, VideoOptions& options) {
  std::string bytes;
  std::string text;
  IniCoding coding{};
  if (!readTextFile(path, bytes) || !decodeIniFile(bytes, text, coding)) return false;
  applyVideoOptionsText(text, options);
  return true;
}

bool writeVideoOptions(const std::filesystem::path& path, const VideoOptions& options) {
  std::string bytes;
  if (!readTextFile(path, bytes)) {
    // Only a missing file is created anew, with a [Video] section of its own:
    // one that is there but cannot be read holds the player's other options.
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found) return false;
  }
  std::string text;
  IniCoding coding{};
  if (!decodeIniFile(bytes, text, coding)) return false;
  return writeTextFileAtomic(path, encodeIniFile(rewriteVideoOptionsText(text, options), coding));
}

std::filesystem::path videoOptionsPath(const LauncherConfig& config, const std::filesystem::path& clientFolder) {
  if (config.options.empty() || !isSafeRelativePath(config.options)) return {};
  return joinRelative(clientFolder, config.options);
}

}  // namespace zv

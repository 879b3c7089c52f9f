// The two INI edits on any file text: the add-on key entry and the game's
// video options. No crash, and every line other than the edited entries comes
// out byte for byte, with only the line breaks the rules allow changed; a
// UTF-16 file decoded and encoded again is what it was.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "addons/toggle_key.h"
#include "data/ini_lines.h"
#include "data/text_rules.h"
#include "data/video_options.h"

namespace {

using Lines = std::vector<std::string>;

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "ini edit fuzz: %s\n", what);
    std::abort();
  }
}

// The lines as they were joined: text split at each separator, after the
// final one (when the rules add one) is taken off. Lines hold no LF, so the
// first separator after a line's start is the one that ends it.
Lines joinedLines(std::string_view text, std::string_view separator, bool finalSeparator) {
  if (finalSeparator) {
    check(text.size() >= separator.size() && text.substr(text.size() - separator.size()) == separator,
          "final line break missing");
    text.remove_suffix(separator.size());
  }
  Lines lines;
  for (;;) {
    const size_t at = text.find(separator);
    lines.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return lines;
    text.remove_prefix(at + separator.size());
  }
}

bool isEntryFor(std::string_view line, std::string_view lowerKey) {
  const std::string_view trimmed = zv::trimIni(line, " \t");
  const size_t equals = trimmed.find('=');
  return equals != std::string_view::npos && zv::asciiLower(zv::trimIni(trimmed.substr(0, equals), " \t")) == lowerKey;
}

void checkSetIniValue(std::string_view text) {
  const std::string entry = "KeyEffects=45,0,0,0";
  const std::string out = zv::setIniValue(text, "INPUT", "KeyEffects", "45,0,0,0");
  const bool crlf = text.empty() || text.find("\r\n") != std::string_view::npos;
  const bool finalBreak = text.empty() || text.back() == '\n';
  const Lines before = zv::splitIniLines(text);
  const Lines after = joinedLines(out, crlf ? "\r\n" : "\n", finalBreak);

  // Everything but one stretch is the same on both sides.
  size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  const Lines removed(before.begin() + static_cast<std::ptrdiff_t>(prefix),
                      before.end() - static_cast<std::ptrdiff_t>(suffix));
  const Lines added(after.begin() + static_cast<std::ptrdiff_t>(prefix),
                    after.end() - static_cast<std::ptrdiff_t>(suffix));
  if (removed.empty() && added.empty()) {
    check(std::find(before.begin(), before.end(), entry) != before.end(), "nothing changed without the entry");
  } else if (removed.size() == 1) {
    check(added == Lines{entry}, "a line was replaced by something other than the entry");
    check(isEntryFor(removed[0], "keyeffects"), "a line other than the entry was replaced");
  } else {
    check(removed.empty(), "lines were lost");
    const bool inserted = added == Lines{entry};
    const bool appended =
        suffix == 0 && (added == Lines{"[INPUT]", entry} || added == Lines{"", "[INPUT]", entry});
    check(inserted || appended, "unexpected lines added");
  }
  // Setting the same value again finds the entry just written. Not comparable:
  // when this edit changed which line break the text uses, or when the text
  // ends in a CR without LF, which every edit drops as the last line's line end.
  const bool outCrlf = out.find("\r\n") != std::string::npos;
  const bool endsInCr = !finalBreak && !after.back().empty() && after.back().back() == '\r';
  if (outCrlf == crlf && !endsInCr) check(zv::setIniValue(out, "INPUT", "KeyEffects", "45,0,0,0") == out, "second edit differs");
}

// The key lines of [Video] sections that the rewrite replaces.
Lines withoutVideoKeys(const Lines& lines, const Lines& written, bool& hasVideo) {
  const std::string_view blanks = " \t\r\n";
  Lines kept;
  bool inVideo = false;
  hasVideo = false;
  for (const std::string& line : lines) {
    const std::string_view trimmed = zv::trimIni(line, blanks);
    if (!trimmed.empty() && trimmed.front() == '[') {
      inVideo = zv::asciiLower(trimmed) == "[video]";
      hasVideo = hasVideo || inVideo;
    } else if (inVideo && trimmed.find('=') != std::string_view::npos) {
      const std::string key = zv::asciiLower(zv::trimIni(trimmed.substr(0, trimmed.find('=')), blanks));
      if (key == "gameplayviewportx" || key == "gameplayviewporty" || key == "startupfullscreen") continue;
    }
    if (std::find(written.begin(), written.end(), line) == written.end()) kept.push_back(line);
  }
  return kept;
}

void checkVideoRewrite(std::string_view text, const zv::VideoOptions& options) {
  const std::string out = zv::rewriteVideoOptionsText(text, options);
  const Lines written = {"GamePlayViewportX=" + std::to_string(options.width),
                         "GamePlayViewportY=" + std::to_string(options.height),
                         std::string("StartupFullScreen=") + (options.windowed ? "False" : "True")};
  const Lines after = joinedLines(out, "\r\n", !text.empty());
  for (const std::string& line : written) {
    check(std::find(after.begin(), after.end(), line) != after.end(), "a key line is missing");
  }
  bool hasVideo = false;
  const Lines before = withoutVideoKeys(zv::splitIniLines(text), written, hasVideo);
  Lines rest;
  bool newHeader = !hasVideo;
  for (const std::string& line : after) {
    // No line of a text without a [Video] section can look like the new header.
    if (newHeader && line == "[Video]") {
      newHeader = false;
      continue;
    }
    if (std::find(written.begin(), written.end(), line) == written.end()) rest.push_back(line);
  }
  check(!newHeader, "new [Video] header missing");
  check(rest == before, "a line outside the edited keys changed");

  zv::VideoOptions readBack{!options.windowed, options.width ^ 1, options.height ^ 1};
  zv::applyVideoOptionsText(out, readBack);
  check(readBack == options, "the written values do not read back");
  if (!text.empty()) check(zv::rewriteVideoOptionsText(out, options) == out, "second rewrite differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkSetIniValue(text);
  // Values from the input's length, so that negative and odd numbers occur too.
  const int32_t width = static_cast<int32_t>(size * 2654435761u);
  checkVideoRewrite(text, zv::VideoOptions{(size & 1) != 0, width, width / -3});
  zv::VideoOptions options;
  zv::applyVideoOptionsText(text, options);
  // A file the editor can decode comes back byte for byte when nothing changed.
  std::string decoded;
  zv::IniCoding coding{};
  if (zv::decodeIniFile(text, decoded, coding)) check(zv::encodeIniFile(decoded, coding) == text, "decoding loses bytes");
  return 0;
}

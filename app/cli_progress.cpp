#include "app/cli_progress.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace zv::cli {
namespace {

constexpr size_t kLineWidth = 100;
constexpr int kBarWidth = 20;

struct Name {
  std::string_view code;
  std::string_view text;
};

constexpr Name kPhases[] = {
    {"manifest", "Reading the release"},        {"selfupdate", "Updating the launcher"},
    {"check", "Checking files"},                {"download", "Downloading"},
    {"queue", "The update server is busy: waiting in its queue"},
    {"addon", "Installing the add-on"},         {"addonRemove", "Removing the add-on"},
};

constexpr Name kResults[] = {
    {"updated", "Up to date: files were updated"},
    {"uptodate", "Up to date"},
    {"cancelled", "Cancelled"},
    {"offline", "The update server cannot be reached"},
    {"badsig", "The release's signature does not match"},
    {"badmanifest", "The release's manifest is damaged"},
    {"noconfig", "No update server is configured"},
    {"failed", "Failed"},
    {"addonInstalled", "Add-on installed"},
    {"addonRemoved", "Add-on removed"},
    {"addonLocked", "Add-on files are in use (close the game and try again)"},
    {"addonUnknown", "No such add-on or variant in the release"},
};

constexpr Name kNotices[] = {
    {"busy", "Another job is running"},
    {"gameMissing", "The game is missing:"},
    {"gameStartFailed", "The game did not start, error"},
    {"selfUpdateFailed", "The launcher could not update itself"},
};

template <size_t N>
std::string lookUp(const Name (&table)[N], std::string_view code) {
  for (const Name& name : table) {
    if (name.code == code) return std::string(name.text);
  }
  return std::string(code);
}

}  // namespace

std::string byteText(double bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(static_cast<long long>(bytes)) + " bytes";
  int unit = -1;
  while (bytes >= 1024 && unit < 3) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytes, kUnits[unit]);
  return text;
}

std::string durationText(double seconds) {
  const auto total = static_cast<long long>(std::ceil(seconds));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  }
  return text;
}

std::string progressLine(const Json& event, size_t width) {
  const double bytesDone = event.get("bytesDone").numberOr(0);
  const double bytesTotal = event.get("bytesTotal").numberOr(0);
  const double filesDone = event.get("filesDone").numberOr(0);
  const double filesTotal = event.get("filesTotal").numberOr(0);
  const double speed = event.get("speed").numberOr(0);
  double fraction = 0;
  if (bytesTotal > 0) {
    fraction = bytesDone / bytesTotal;
  } else if (filesTotal > 0) {
    fraction = filesDone / filesTotal;
  }
  fraction = std::fmin(std::fmax(fraction, 0.0), 1.0);
  const int filled = static_cast<int>(fraction * kBarWidth);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  std::string line = std::string(percent) + " [" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] ";
  line += byteText(bytesDone) + " of " + byteText(bytesTotal);
  if (speed > 0) {
    line += "  " + byteText(speed) + "/s";
    if (bytesTotal > bytesDone) line += "  " + durationText((bytesTotal - bytesDone) / speed) + " left";
  }
  const std::string file(event.get("file").text());
  if (!file.empty() && line.size() + 5 < width) {
    const size_t room = width - line.size() - 2;
    line += "  " + (file.size() <= room ? file : "..." + file.substr(file.size() - (room - 3)));
  }
  return line.size() > width ? line.substr(0, width) : line;
}

std::string resultLine(const Json& event) {
  std::string line = lookUp(kResults, event.get("code").text());
  const std::string detail(event.get("detail").text());
  if (!detail.empty()) line += ": " + detail;
  const std::string build(event.get("build").text());
  if (!build.empty()) line += " (build " + build + ")";
  return line;
}

std::string noticeLine(const Json& event) {
  std::string line = lookUp(kNotices, event.get("code").text());
  const std::string detail(event.get("detail").text());
  if (!detail.empty()) line += " " + detail;
  return line;
}

void ProgressDisplay::print(const std::string& line) {
  finish();
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void ProgressDisplay::finish() {
  if (!lineOpen_) return;
  std::printf("\n");
  lineOpen_ = false;
  lineWidth_ = 0;
}

void ProgressDisplay::show(const Json& event) {
  const std::string type(event.get("type").text());
  if (type == "phase") {
    const std::string phase(event.get("phase").text());
    if (phase != phase_) print(lookUp(kPhases, phase));
    phase_ = phase;
  } else if (type == "progress") {
    if (!terminal_) return;
    const std::string line = progressLine(event, kLineWidth);
    // Blanks over the rest of a longer previous line: not every console
    // knows the erase-line sequence.
    const size_t pad = lineWidth_ > line.size() ? lineWidth_ - line.size() : 0;
    std::printf("\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
    std::fflush(stdout);
    lineOpen_ = true;
    lineWidth_ = line.size();
  } else if (type == "done") {
    print(resultLine(event));
    phase_.clear();
  } else if (type == "notice") {
    print(noticeLine(event));
  }
}

}  // namespace zv::cli

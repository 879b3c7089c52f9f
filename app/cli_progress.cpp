#include "app/cli_progress.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "app/cli_addons.h"
#include "data/valid_utf8.h"

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
std::string lookUp(const Name (&table)[N], const std::string& code) {
  for (const Name& name : table) {
    if (name.code == code) return std::string(name.text);
  }
  return code;
}

std::string resultLine(const JobResult& result) {
  std::string line = lookUp(kResults, result.code);
  if (!result.detail.empty()) line += ": " + result.detail;
  if (!result.build.empty()) line += " (build " + result.build + ")";
  return line;
}

std::string noticeLine(const Notice& notice) {
  std::string line = lookUp(kNotices, notice.code);
  if (!notice.detail.empty()) line += " " + notice.detail;
  return line;
}

// "12.3 MiB", "512 bytes".
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

}  // namespace

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

std::string progressLine(const Progress& progress, size_t width) {
  const auto bytesDone = static_cast<double>(progress.bytesDone);
  const auto bytesTotal = static_cast<double>(progress.bytesTotal);
  const double speed = progress.speed;
  double fraction = 0;
  if (bytesTotal > 0) {
    fraction = bytesDone / bytesTotal;
  } else if (progress.filesTotal > 0) {
    fraction = static_cast<double>(progress.filesDone) / progress.filesTotal;
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
  const std::string& file = progress.file;
  if (!file.empty() && line.size() + 5 < width) {
    const size_t room = width - line.size() - 2;
    line += "  " + (file.size() <= room ? file : "..." + file.substr(file.size() - (room - 3)));
  }
  return line.size() > width ? line.substr(0, width) : line;
}

// Texts from outside (file names, server messages) may carry bytes that are
// no UTF-8; a console shows U+FFFD in their place.
void ProgressDisplay::print(const std::string& lines) {
  finish();
  std::printf("%s\n", validUtf8(lines).c_str());
  std::fflush(stdout);
}

void ProgressDisplay::finish() {
  if (lineWidth_ == 0) return;
  std::printf("\n");
  lineWidth_ = 0;
}

void ProgressDisplay::show(const EventValues& event) {
  if (const auto* start = std::get_if<PhaseStart>(&event)) {
    if (start->phase != phase_) print(lookUp(kPhases, start->phase));
    phase_ = start->phase;
  } else if (const auto* progress = std::get_if<Progress>(&event)) {
    if (!terminal_) return;
    const std::string line = validUtf8(progressLine(*progress, kLineWidth));
    // Blanks over the rest of a longer previous line: not every console
    // knows the erase-line sequence.
    const size_t pad = lineWidth_ > line.size() ? lineWidth_ - line.size() : 0;
    std::printf("\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
    std::fflush(stdout);
    lineWidth_ = line.size();
  } else if (const auto* result = std::get_if<JobResult>(&event)) {
    print(resultLine(*result));
    phase_.clear();
  } else if (const auto* notice = std::get_if<Notice>(&event)) {
    print(noticeLine(*notice));
  } else if (const auto* list = std::get_if<AddonList>(&event); list != nullptr && addonList_) {
    print(addonListText(*list));
  }
}

}  // namespace zv::cli

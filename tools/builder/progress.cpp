#include "tools/builder/progress.h"

#include <cstdio>

namespace zv::builder {

std::string sizeText(uint64_t bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 3) value /= 1024, ++unit;
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.2f %s" : value < 100 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
  return text;
}

Progress::Progress(bool shown) : shown_(shown) {}

Progress::~Progress() {
  if (open_) end();
}

void Progress::begin(std::string step, uint64_t filesTotal, uint64_t bytesTotal) {
  std::lock_guard lock(mutex_);
  step_ = std::move(step);
  filesTotal_ = filesTotal;
  bytesTotal_ = bytesTotal;
  files_ = 0;
  bytes_ = 0;
  started_ = std::chrono::steady_clock::now();
  lastDraw_ = {};
  open_ = true;
}

void Progress::add(uint64_t files, uint64_t bytes) {
  files_ += files;
  bytes_ += bytes;
  if (shown_) draw(false);
}

void Progress::set(uint64_t files, uint64_t bytes) {
  files_ = files;
  bytes_ = bytes;
  if (shown_) draw(false);
}

void Progress::end() {
  if (shown_ && open_) {
    draw(true);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  open_ = false;
}

void Progress::draw(bool force) {
  std::lock_guard lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const uint64_t bytes = bytes_;
  const int percent = bytesTotal_ ? static_cast<int>(100.0 * static_cast<double>(bytes) / bytesTotal_) : 100;
  const std::string speed =
      seconds > 0.5 ? ", " + sizeText(static_cast<uint64_t>(static_cast<double>(bytes) / seconds)) + "/s" : "";
  // "\r" and a clearing tail keep the line in place on any terminal.
  std::fprintf(stderr, "\r%-8s %3d%%  %llu/%llu files  %s of %s%s    ", step_.c_str(), percent,
               static_cast<unsigned long long>(files_.load()), static_cast<unsigned long long>(filesTotal_),
               sizeText(bytes).c_str(), sizeText(bytesTotal_).c_str(), speed.c_str());
  std::fflush(stderr);
}

}  // namespace zv::builder

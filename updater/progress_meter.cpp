#include "updater/progress_meter.h"

namespace zv {

void ProgressMeter::resetSpeed() {
  speed_ = 0;
  sampleTime_ = 0;
}

bool ProgressMeter::sample(std::string_view phase, std::string_view file, uint32_t filesDone, uint32_t filesTotal,
                           uint64_t bytesDone, uint64_t bytesTotal, bool force, Progress& out) {
  const double now = clock_.seconds();
  if (sampleTime_ == 0) {
    sampleTime_ = now;
    sampleBytes_ = bytesDone;
  } else if (now - sampleTime_ >= 1.0) {
    // Counts restart with each file list, so a smaller count is no progress
    // rather than a negative speed.
    const uint64_t delta = bytesDone > sampleBytes_ ? bytesDone - sampleBytes_ : 0;
    const double instant = static_cast<double>(delta) / (now - sampleTime_);
    speed_ = speed_ == 0 ? instant : 0.4 * instant + 0.6 * speed_;
    sampleTime_ = now;
    sampleBytes_ = bytesDone;
  }
  if (!force && now - lastEmit_ < 0.1) return false;
  lastEmit_ = now;

  out = {std::string(phase), std::string(file), filesDone, filesTotal, bytesDone, bytesTotal,
         phase == "download" || phase == "addon" ? speed_ : 0.0};
  return true;
}

}  // namespace zv

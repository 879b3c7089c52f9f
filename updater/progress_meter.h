#pragma once
// Progress steps: the transfer speed, smoothed over samples at least one
// second apart, and a limit of one event per 0.1 s so that a fast loop over
// many small files does not flood the page.

#include <cstdint>
#include <string_view>

#include "updater/job_clock.h"
#include "updater/update_events.h"

namespace zv {

class ProgressMeter {
 public:
  explicit ProgressMeter(JobClock& clock) : clock_(clock) {}

  // Starts the speed measurement afresh (before each download pass).
  void resetSpeed();

  // Updates the speed with bytesDone, then decides whether an event goes out:
  // always when force is set, otherwise only when 0.1 s have passed since the
  // last one. When it does, out holds the step (the speed only for the
  // phases "download" and "addon", else 0) and the result is true.
  bool sample(std::string_view phase, std::string_view file, uint32_t filesDone, uint32_t filesTotal,
              uint64_t bytesDone, uint64_t bytesTotal, bool force, Progress& out);

 private:
  JobClock& clock_;
  double lastEmit_ = 0;
  double sampleTime_ = 0;
  uint64_t sampleBytes_ = 0;
  double speed_ = 0;
};

}  // namespace zv

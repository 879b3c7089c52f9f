#pragma once
// Time as the update job sees it: the monotonic clock for rates and rate
// limits, and sleeping for busy-server waits. Tests hand the job a clock of
// their own so that waits and rate limits are checked without waiting.

namespace zv {

class JobClock {
 public:
  virtual ~JobClock() = default;
  // Seconds from an arbitrary fixed start; never goes backwards.
  virtual double seconds() = 0;
  virtual void sleepMilliseconds(unsigned milliseconds) = 0;
};

// The operating system's monotonic clock and a real sleep; shared, stateless.
JobClock& systemJobClock();

}  // namespace zv

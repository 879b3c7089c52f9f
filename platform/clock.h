#pragma once
// Wall-clock and monotonic time from the operating system.

namespace zv {

struct LocalTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The current local date and time.
LocalTime localNow();

// Seconds from an arbitrary fixed start, never going backwards (the
// high-resolution counter); for rates and time-outs only.
double monotonicSeconds();

}  // namespace zv

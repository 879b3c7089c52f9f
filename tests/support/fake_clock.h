#pragma once
// A job clock for tests: time moves only when the test moves it or when the
// code under test sleeps, so waits and rate limits are checked instantly.

#include <cstdint>
#include <functional>
#include <vector>

#include "updater/job_clock.h"

namespace zv::test {

class FakeClock final : public JobClock {
 public:
  // Time the test sets; far from 0, which the progress meter takes as "never".
  double now = 1000.0;
  // Every sleep, in milliseconds, in order.
  std::vector<unsigned> sleeps;
  // Called after each sleep (to cancel in the middle of a wait, say).
  std::function<void()> onSleep;
  // Seconds that pass each time the clock is read: with 1, every progress
  // report passes the rate limit.
  unsigned step = 0;

  // Time passes in whole milliseconds, so that the clock is exact and the
  // jitter of busy-server waits (taken from the clock) is 0.
  double seconds() override {
    const double time = now + static_cast<double>(sleptMs_) / 1000.0;
    sleptMs_ += 1000ull * step;
    return time;
  }
  void sleepMilliseconds(unsigned milliseconds) override {
    sleeps.push_back(milliseconds);
    sleptMs_ += milliseconds;
    if (onSleep) onSleep();
  }

  // Total time slept, in seconds.
  double slept() const {
    uint64_t total = 0;
    for (const unsigned ms : sleeps) total += ms;
    return static_cast<double>(total) / 1000.0;
  }

 private:
  uint64_t sleptMs_ = 0;  // all time that passed besides `now`
};

}  // namespace zv::test

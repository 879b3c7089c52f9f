#include "updater/job_clock.h"

#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace zv {
namespace {

class SystemJobClock final : public JobClock {
 public:
  double seconds() override { return monotonicSeconds(); }
  void sleepMilliseconds(unsigned milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

JobClock& systemJobClock() {
  static SystemJobClock clock;
  return clock;
}

}  // namespace zv

#pragma once
// What the taskbar button shows of a job, decided from the page's events:
// "working" until the first figures arrive, then the share done; paused while
// the update server's queue holds the job; red when it failed. Also whether
// the machine must stay awake (while files download) and whether the button
// should flash when the job ends (a long job, which the player may have left
// behind other windows). Portable, so that the rules are tested natively.

#include <cstdint>

#include "bridge/page_event.h"

namespace zv {

enum class TaskbarState { None, Working, Normal, Paused, Error };

struct TaskbarUpdate {
  bool stateChanged = false;
  TaskbarState state = TaskbarState::None;
  bool valueChanged = false;
  double fraction = 0;  // 0 to 1
  bool flash = false;   // when the window is not in front
};

class TaskbarPlan {
 public:
  // A job that ran this long is worth a flash when it ends; a quick "up to
  // date" check at start-up is not.
  static constexpr uint64_t kLongJobMs = 15000;

  // The values of one event on its way to the page; nowMs: any steady clock.
  TaskbarUpdate onPageEvent(const EventValues& event, uint64_t nowMs);
  // The job thread was joined; a job that ended without a result (a
  // self-update hand-over) leaves the button too.
  TaskbarUpdate onJobEnded();
  // The machine must not go to sleep now.
  bool keepAwake() const { return awake_; }

 private:
  TaskbarUpdate setState(TaskbarState state);

  TaskbarState state_ = TaskbarState::None;
  bool jobRunning_ = false;
  bool awake_ = false;
  uint64_t jobStart_ = 0;
};

}  // namespace zv

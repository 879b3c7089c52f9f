#pragma once
// The taskbar button and the machine's sleep during a job, as TaskbarPlan
// decides them. Main thread only.

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

#include "app/host/taskbar_plan.h"

namespace zv {

class TaskbarProgress {
 public:
  TaskbarProgress() = default;
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // When the window is shown, and again when its taskbar button exists.
  // Without a taskbar only the flash and the sleep block work.
  void attach(HWND window);
  // Every event on its way to the page.
  void onPageEvent(const EventValues& event);
  // The job thread was joined: whatever happened, the machine may sleep.
  void jobEnded();
  void detach();

 private:
  void apply(const TaskbarUpdate& update);

  HWND window_ = nullptr;
  Microsoft::WRL::ComPtr<ITaskbarList3> taskbar_;
  TaskbarPlan plan_;
  bool awake_ = false;
};

}  // namespace zv

#pragma once
// What a player sees of a job outside the page: the taskbar button shows its
// progress (paused while the server's queue holds us, red when it failed),
// the button flashes when a long job ends behind other windows, and the
// machine stays awake while a download runs. Main thread only.

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

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
  void onPageEvent(const std::string& json);
  // The job thread was joined: whatever happened, the machine may sleep.
  void jobEnded();
  void detach();

 private:
  void setState(TBPFLAG state);
  void setValue(double done, double total);
  void keepAwake(bool awake);

  HWND window_ = nullptr;
  Microsoft::WRL::ComPtr<ITaskbarList3> taskbar_;
  bool jobRunning_ = false;
  bool paused_ = false;
  bool awake_ = false;
  ULONGLONG jobStart_ = 0;
};

}  // namespace zv

#include "app/host/taskbar_progress.h"

namespace zv {
namespace {

TBPFLAG taskbarFlag(TaskbarState state) {
  switch (state) {
    case TaskbarState::Working:
      return TBPF_INDETERMINATE;
    case TaskbarState::Normal:
      return TBPF_NORMAL;
    case TaskbarState::Paused:
      return TBPF_PAUSED;
    case TaskbarState::Error:
      return TBPF_ERROR;
    case TaskbarState::None:
      break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

TaskbarProgress::~TaskbarProgress() { detach(); }

void TaskbarProgress::attach(HWND window) {
  window_ = window;
  if (taskbar_) return;
  Microsoft::WRL::ComPtr<ITaskbarList3> taskbar;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&taskbar)))) return;
  if (FAILED(taskbar->HrInit())) return;
  taskbar_ = std::move(taskbar);
}

void TaskbarProgress::detach() {
  if (awake_) SetThreadExecutionState(ES_CONTINUOUS);
  awake_ = false;
  taskbar_.Reset();
  window_ = nullptr;
}

void TaskbarProgress::onPageEvent(const EventValues& event) { apply(plan_.onPageEvent(event, GetTickCount64())); }

void TaskbarProgress::jobEnded() { apply(plan_.onJobEnded()); }

void TaskbarProgress::apply(const TaskbarUpdate& update) {
  if (plan_.keepAwake() != awake_) {
    awake_ = plan_.keepAwake();
    SetThreadExecutionState(awake_ ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) : ES_CONTINUOUS);
  }
  if (window_ == nullptr) return;
  if (taskbar_ && update.stateChanged) taskbar_->SetProgressState(window_, taskbarFlag(update.state));
  // Whole permille steps: the button cannot show more.
  if (taskbar_ && update.valueChanged) {
    taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(update.fraction * 1000), 1000);
  }
  if (update.flash && GetForegroundWindow() != window_) {
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = window_;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
  }
}

}  // namespace zv

#include "app/host/taskbar_progress.h"

#include "data/json.h"

namespace zv {
namespace {

// A job that took this long is worth a flash when it ends unseen; a quick
// "up to date" check at start-up is not.
constexpr ULONGLONG kLongJobMs = 15000;

bool isDownloadPhase(const std::string& phase) {
  return phase == "download" || phase == "addon" || phase == "selfupdate";
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
  keepAwake(false);
  taskbar_.Reset();
  window_ = nullptr;
}

void TaskbarProgress::setState(TBPFLAG state) {
  if (taskbar_ && window_ != nullptr) taskbar_->SetProgressState(window_, state);
}

void TaskbarProgress::setValue(double done, double total) {
  if (!taskbar_ || window_ == nullptr || total <= 0) return;
  const double clamped = done < 0 ? 0 : (done > total ? total : done);
  // Whole permille steps: the button cannot show more.
  taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(clamped * 1000 / total), 1000);
}

void TaskbarProgress::keepAwake(bool awake) {
  if (awake == awake_) return;
  SetThreadExecutionState(awake ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) : ES_CONTINUOUS);
  awake_ = awake;
}

void TaskbarProgress::onPageEvent(const std::string& json) {
  const Json event = Json::parse(json);
  const std::string& type = event.get("type").text();
  if (type == "phase") {
    const std::string& phase = event.get("phase").text();
    if (!jobRunning_) {
      jobRunning_ = true;
      jobStart_ = GetTickCount64();
    }
    paused_ = phase == "queue";
    // Until the first figures arrive the bar only says "working".
    setState(paused_ ? TBPF_PAUSED : TBPF_INDETERMINATE);
    if (isDownloadPhase(phase)) keepAwake(true);
  } else if (type == "progress" && jobRunning_) {
    const double bytesTotal = event.get("bytesTotal").numberOr(0);
    const double filesTotal = event.get("filesTotal").numberOr(0);
    if (bytesTotal <= 0 && filesTotal <= 0) return;
    if (!paused_) setState(TBPF_NORMAL);
    if (bytesTotal > 0) {
      setValue(event.get("bytesDone").numberOr(0), bytesTotal);
    } else {
      setValue(event.get("filesDone").numberOr(0), filesTotal);
    }
  } else if (type == "done") {
    const bool ok = event.get("ok").boolOr(false);
    const bool cancelled = event.get("code").text() == "cancelled";
    if (ok || cancelled) {
      setState(TBPF_NOPROGRESS);
    } else {
      setState(TBPF_ERROR);
      setValue(1, 1);
    }
    const bool wasLong = jobRunning_ && GetTickCount64() - jobStart_ >= kLongJobMs;
    jobRunning_ = false;
    paused_ = false;
    keepAwake(false);
    if (wasLong && window_ != nullptr && GetForegroundWindow() != window_) {
      FLASHWINFO flash{};
      flash.cbSize = sizeof flash;
      flash.hwnd = window_;
      flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
      FlashWindowEx(&flash);
    }
  }
}

void TaskbarProgress::jobEnded() {
  keepAwake(false);
  if (!jobRunning_) return;
  // A job that ended without a result for the page (a self-update hand-over).
  jobRunning_ = false;
  paused_ = false;
  setState(TBPF_NOPROGRESS);
}

}  // namespace zv

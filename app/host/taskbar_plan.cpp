#include "app/host/taskbar_plan.h"

#include <string>


namespace zv {
namespace {

// The phases in which files come over the network.
bool isDownloadPhase(const std::string& phase) {
  return phase == "download" || phase == "addon" || phase == "selfupdate";
}

}  // namespace

TaskbarUpdate TaskbarPlan::setState(TaskbarState state) {
  TaskbarUpdate update;
  update.stateChanged = state != state_;
  update.state = state;
  state_ = state;
  return update;
}

TaskbarUpdate TaskbarPlan::onPageEvent(const EventValues& event, uint64_t nowMs) {
  if (const auto* start = std::get_if<PhaseStart>(&event)) {
    if (!jobRunning_) {
      jobRunning_ = true;
      jobStart_ = nowMs;
    }
    // A download keeps the machine awake until the job ends; the phases
    // after it are short.
    if (isDownloadPhase(start->phase)) awake_ = true;
    // After a queue wait the phase it interrupted is announced again.
    return setState(start->phase == "queue" ? TaskbarState::Paused : TaskbarState::Working);
  }
  if (const auto* progress = std::get_if<Progress>(&event); progress != nullptr && jobRunning_) {
    const bool byBytes = progress->bytesTotal > 0;
    const double total = byBytes ? static_cast<double>(progress->bytesTotal) : progress->filesTotal;
    if (total <= 0) return {};
    const double done = byBytes ? static_cast<double>(progress->bytesDone) : progress->filesDone;
    TaskbarUpdate update = setState(state_ == TaskbarState::Paused ? TaskbarState::Paused : TaskbarState::Normal);
    update.valueChanged = true;
    update.fraction = done >= total ? 1 : done / total;
    return update;
  }
  if (const auto* result = std::get_if<JobResult>(&event)) {
    const bool failed = !result->ok && result->code != "cancelled";
    TaskbarUpdate update = setState(failed ? TaskbarState::Error : TaskbarState::None);
    if (failed) {
      update.valueChanged = true;
      update.fraction = 1;
    }
    update.flash = jobRunning_ && nowMs - jobStart_ >= kLongJobMs;
    jobRunning_ = false;
    awake_ = false;
    return update;
  }
  return {};
}

TaskbarUpdate TaskbarPlan::onJobEnded() {
  awake_ = false;
  if (!jobRunning_) return {};
  jobRunning_ = false;
  return setState(TaskbarState::None);
}

}  // namespace zv

#include "app/host/taskbar_plan.h"

#include <string>

#include "data/json.h"

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

TaskbarUpdate TaskbarPlan::onPageEvent(std::string_view json, uint64_t nowMs) {
  const Json event = Json::parse(json);
  const std::string type(event.get("type").text());
  if (type == "phase") {
    const std::string phase(event.get("phase").text());
    if (!jobRunning_) {
      jobRunning_ = true;
      jobStart_ = nowMs;
    }
    // A download keeps the machine awake until the job ends; the phases
    // after it are short.
    if (isDownloadPhase(phase)) awake_ = true;
    // After a queue wait the phase it interrupted is announced again.
    return setState(phase == "queue" ? TaskbarState::Paused : TaskbarState::Working);
  }
  if (type == "progress" && jobRunning_) {
    const double bytesTotal = event.get("bytesTotal").numberOr(0);
    const double filesTotal = event.get("filesTotal").numberOr(0);
    if (bytesTotal <= 0 && filesTotal <= 0) return {};
    const double done = bytesTotal > 0 ? event.get("bytesDone").numberOr(0) : event.get("filesDone").numberOr(0);
    const double total = bytesTotal > 0 ? bytesTotal : filesTotal;
    TaskbarUpdate update = setState(state_ == TaskbarState::Paused ? TaskbarState::Paused : TaskbarState::Normal);
    update.valueChanged = true;
    update.fraction = done <= 0 ? 0 : (done >= total ? 1 : done / total);
    return update;
  }
  if (type == "done") {
    const bool failed = !event.get("ok").boolOr(false) && event.get("code").text() != "cancelled";
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

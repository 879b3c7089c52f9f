// The one background job at a time: start, the worker's body, cancel, end,
// and the close sequence.

#include <exception>
#include <system_error>
#include <utility>

#include "bridge/bridge.h"
#include "bridge/event_gate.h"
#include "bridge/page_protocol.h"
#include "data/valid_utf8.h"
#include "net/make_fetcher.h"
#include "platform/log.h"
#include "updater/update_job.h"

namespace zv {
namespace {

// The text of the exception being handled: a job that throws still ends with
// a result that says why.
std::string faultText() {
  try {
    throw;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "unexpected failure";
  }
}

}  // namespace

void Bridge::startJob(Job job) {
  if (closed_) return;
  if (jobBusy_.load()) {
    postPageEvent(noticeEvent({"busy", ""}));
    return;
  }
  if (jobThread_.joinable()) jobThread_.join();  // ended, but its end not yet handled
  jobBusy_.store(true);
  {
    std::lock_guard lock(jobMutex_);
    cancelRequested_ = false;
  }
  // After a failed swap the launcher stays as it is until the next start.
  std::filesystem::path launcherPath = selfUpdateOff_ ? std::filesystem::path() : setup_.launcherPath;
  try {
    jobThread_ = std::thread([this, job = std::move(job), launcherPath = std::move(launcherPath)] {
      runWorker(job, launcherPath);
    });
  } catch (const std::system_error& error) {
    // Without a worker nothing would ever clear the busy flag and the page
    // would wait for a result forever.
    jobBusy_.store(false);
    postPageEvent(doneEvent({false, true, "failed", std::string("cannot start a job: ") + error.what(), ""}));
  }
}

void Bridge::runWorker(const Job& job, const std::filesystem::path& launcherPath) {
  bool handedOver = false;
  PageEvent result;
  try {
    runJob(job, launcherPath, handedOver, result);
  } catch (...) {
    // Jobs report through onDone; this only keeps a fault (in the job, or
    // in making its fetcher or job) from leaving the page without a
    // result and the launcher busy for good.
    if (result.json.empty() && !handedOver) result = doneEvent({false, true, "failed", faultText(), ""});
  }
  if (!handedOver) {
    jobResult_ = std::move(result);  // read by the main thread after joining this one
    sink_.postJobEnded();
  }
}

void Bridge::runJob(const Job& job, const std::filesystem::path& launcherPath, bool& handedOver,
                    PageEvent& result) {
  std::unique_ptr<Fetcher> fetcher = makeFetcher();
  UpdateJob* self = nullptr;
  // While the window closes, every event of the job asks for a cancel
  // again, so a close never waits for a whole job.
  auto postAndStopIfClosing = [this, &self](PageEvent event) {
    if (self != nullptr && gate_->closing.load()) self->requestCancel();
    postPageEvent(std::move(event));
  };
  UpdateEvents events;
  events.onPhase = [post = postAndStopIfClosing](const std::string& phase) { post(phaseEvent(phase)); };
  events.onProgress = [post = postAndStopIfClosing](const Progress& progress) { post(progressEvent(progress)); };
  // The result goes out with the job's end (see jobEnded), not before it.
  events.onDone = [&self, &result](bool ok, bool canPlay, const std::string& code, const std::string& detail) {
    result = doneEvent({ok, canPlay, code, detail, self != nullptr ? self->build() : std::string()});
  };
  events.onSelfUpdate = [this, &handedOver](const std::filesystem::path& newLauncher) {
    handedOver = true;
    sink_.postSelfUpdate(newLauncher);
  };
  events.onManifest = [this](const std::shared_ptr<const Manifest>& manifest) {
    std::lock_guard lock(manifestMutex_);
    lastManifest_ = manifest;
  };
  events.onAddons = [this](const AddonList& list) { postPageEvent(addonsEvent(list)); };

  UpdateJob updater(setup_.clientFolder, launcherPath, config_, *fetcher, std::move(events), systemJobClock(),
                    prefs_.prefsPath.parent_path());
  updater.setFetcherFactory([] { return makeFetcher(); });
  self = &updater;
  {
    std::lock_guard lock(jobMutex_);
    currentUpdater_ = &updater;
    if (cancelRequested_) updater.requestCancel();
  }
  // The main thread cancels through currentUpdater_ exactly while the job runs, however it ends.
  const auto unregister = [this](UpdateJob*) {
    std::lock_guard lock(jobMutex_);
    currentUpdater_ = nullptr;
  };
  const std::unique_ptr<UpdateJob, decltype(unregister)> registered(&updater, unregister);
  try {
    job(updater);
  } catch (...) {
    if (result.json.empty() && !handedOver) updater.events().onDone(false, true, "failed", faultText());
  }
}

void Bridge::startUpdate(CheckMode mode) {
  if (jobBusy_.load()) return;
  startJob([run = services_.runUpdate, mode](UpdateJob& updater) { run(updater, mode); });
}

void Bridge::installAddon(const std::string& id, const std::string& variant, const std::string& key) {
  if (!isValidAddonId(id)) return;
  writeLog(logPath(), "addon install: " + id + " variant=" + loggableText(variant) + " key=" + loggableText(key));
  startJob([run = services_.runAddonInstall, id, variant, key](UpdateJob& updater) { run(updater, id, variant, key); });
}

void Bridge::removeAddon(const std::string& id) {
  if (!isValidAddonId(id)) return;
  writeLog(logPath(), "addon remove: " + id);
  startJob([this, run = services_.runAddonRemove, id](UpdateJob& updater) {
    // Taken when the job runs: the shared copy stays valid even if a later
    // job replaces the host's.
    const std::shared_ptr<const Manifest> manifest = lastManifest();
    run(updater, id, manifest.get());
  });
}

void Bridge::requestCancel() {
  std::lock_guard lock(jobMutex_);
  cancelRequested_ = true;
  if (currentUpdater_ != nullptr) currentUpdater_->requestCancel();
}

void Bridge::joinJob() {
  if (jobThread_.joinable()) jobThread_.join();
  jobBusy_.store(false);
}

void Bridge::jobEnded() {
  joinJob();
  // A page that answers "done" at once with a new command finds no job
  // running: the result is delivered only now. It was the job's last event,
  // so the order of the page's events is the order of posting.
  PageEvent result = std::exchange(jobResult_, {});
  if (!result.json.empty()) deliverPageEvent(std::move(result));
}

void Bridge::close() {
  if (closed_) return;
  closed_ = true;
  gate_->closing.store(true);
  requestCancel();
  joinJob();
  gate_->shut();
  pendingPageEvents_.clear();
}

void Bridge::finishSelfUpdate(const std::filesystem::path& newLauncher) {
  joinJob();
  if (closed_) return;
  ProcessCommand restart;
  restart.program = setup_.launcherPath;
  restart.arguments = setup_.restartArguments;
  restart.workingFolder = setup_.clientFolder;
  restart.shareStandardStreams = setup_.restartSharesStreams;
  if (swapInNewLauncher(setup_.launcherPath, newLauncher, restart, services_.startLauncher)) {
    close();  // the job has ended: nothing is left to cancel or wait for
    window_.destroy();
    return;
  }
  postPageEvent(noticeEvent({"selfUpdateFailed", ""}));
  selfUpdateOff_ = true;
  startUpdate(CheckMode::Check);
}

}  // namespace zv

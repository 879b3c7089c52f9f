#pragma once
// The update job: brings a client folder in line with the publisher's signed
// release. One Updater is made for each job (an update check, a repair, an
// add-on job) on the job thread and destroyed after it; it reports only
// through its UpdateEvents.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "data/launcher_config.h"
#include "net/fetcher.h"
#include "updater/addon_hooks.h"
#include "updater/job_clock.h"
#include "updater/local_state.h"
#include "updater/manifest.h"
#include "updater/progress_meter.h"
#include "updater/update_events.h"

namespace zv {

class Updater {
 public:
  // launcherPath: the running launcher, or empty to leave self-update off.
  // The configuration, the fetcher and the clock must outlive the Updater.
  // Moves the state of an older default work folder into the configured one.
  Updater(std::filesystem::path clientFolder, std::filesystem::path launcherPath, const LauncherConfig& config,
          Fetcher& fetcher, UpdateEvents events, JobClock& clock = systemJobClock());
  Updater(const Updater&) = delete;
  Updater& operator=(const Updater&) = delete;

  // Lends the job the add-on operations (see AddonHooks); null: none.
  void setAddonHooks(AddonHooks* hooks) { addonHooks_ = hooks; }

  // The whole job: manifest, self-update, check pass, download pass, retired
  // files, add-ons, clean-up. Ends with exactly one onDone, or with
  // onSelfUpdate and nothing after it.
  void run(CheckMode mode);

  // manifest.json and manifest.sig from the update server, verified and
  // parsed. False: code is "noconfig", "offline", "cancelled", "badsig" or
  // "badmanifest" and detail the message to show.
  [[nodiscard]] bool fetchManifest(Manifest& manifest, std::string& code, std::string& detail);

  // Whether the file at fullPath is the one the entry describes: present for
  // a "once" entry; otherwise of the right size and digest, the digest taken
  // from the cache in Check mode when the cache vouches for the file's size
  // and time, else computed (and recorded in the cache).
  [[nodiscard]] bool checkFile(const ManifestFile& file, const std::filesystem::path& fullPath, CheckMode mode);

  // Downloads the packed file into the work folder (resuming a partial one),
  // then unpacks it over target: up to three attempts, busy-server waits not
  // counted. True: target holds the file and the cache has its entry.
  // False: error is "cancelled" or the entry's path, ": " and the cause.
  // Progress is reported against `pass`, which the caller sets first.
  [[nodiscard]] bool downloadOne(const ManifestFile& file, const std::filesystem::path& target, std::string& error);

  // After a failed request: when the error says the server is busy and
  // fewer than 60 waits were spent (waits counts them), announces "queue",
  // waits 5 to 34 seconds (polling the cancel flag every 200 ms) and
  // announces the interrupted phase again. True: repeat the request now.
  [[nodiscard]] bool waitInQueue(const std::string& fetchError, unsigned& waits);

  // Sends a progress event through onProgress, at most one per 0.1 s unless
  // force is set.
  void emitProgress(std::string_view phase, std::string_view file, uint32_t filesDone, uint32_t filesTotal,
                    uint64_t bytesDone, uint64_t bytesTotal, bool force);

  // When the manifest names a launcher other than the running one, downloads
  // it to the launcher's path + ".new" and hands it over through
  // onSelfUpdate. True: handed over, the job must end now. A failed download
  // is dropped silently (false).
  [[nodiscard]] bool selfUpdateStep(const Manifest& manifest);

  // Any thread: asks the job to stop at its next check.
  void requestCancel() { cancelFlag_.exchange(true); }
  bool cancelRequested() const { return cancelFlag_.load(); }
  const std::atomic<bool>& cancelFlag() const { return cancelFlag_; }

  // The accepted manifest's build text; empty before one was accepted.
  const std::string& build() const { return build_; }
  // The last phase announced, "queue" aside.
  const std::string& currentPhase() const { return currentPhase_; }
  const std::filesystem::path& clientFolder() const { return clientFolder_; }
  const std::filesystem::path& workFolder() const { return state_.workFolder(); }
  const LauncherConfig& config() const { return config_; }
  // The host's events, onPhase wrapped to remember the current phase.
  const UpdateEvents& events() const { return events_; }
  // cache.json and addons.json as this job sees them.
  LocalState& state() { return state_; }

  // The pass downloadOne reports its progress in: files finished and in the
  // pass, and bytes (packed sizes) of the finished files and of the pass.
  struct PassCounters {
    uint32_t filesDone = 0;
    uint32_t filesTotal = 0;
    uint64_t bytesDone = 0;
    uint64_t bytesTotal = 0;
  };
  PassCounters pass;
  // Starts the speed measurement afresh (before a download pass).
  void resetSpeed() { meter_.resetSpeed(); }

 private:
  void done(bool ok, bool canPlay, const std::string& code, const std::string& detail);
  bool checkPass(const Manifest& manifest, CheckMode mode, std::vector<const ManifestFile*>& fetchList);
  bool downloadPass(const std::vector<const ManifestFile*>& fetchList, bool& changed);
  bool retireFiles(const Manifest& manifest);
  bool maintainAddons(const Manifest& manifest, CheckMode mode, bool& changed);

  std::filesystem::path clientFolder_;
  std::filesystem::path launcherPath_;
  const LauncherConfig& config_;
  Fetcher& fetcher_;
  UpdateEvents events_;
  JobClock& clock_;
  AddonHooks* addonHooks_ = nullptr;
  std::atomic<bool> cancelFlag_{false};
  std::string build_;
  std::string currentPhase_;
  LocalState state_;
  ProgressMeter meter_;
};

}  // namespace zv

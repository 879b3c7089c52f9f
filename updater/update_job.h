#pragma once
// The update job: brings a client folder in line with the publisher's signed
// release. One UpdateJob is made for each job (an update check, a repair, an
// add-on job) on the job thread and destroyed after it; it reports only
// through its UpdateEvents.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "data/launcher_config.h"
#include "net/fetcher.h"
#include "platform/folder_lock.h"
#include "updater/addon_hooks.h"
#include "updater/early_stats.h"
#include "updater/job_clock.h"
#include "updater/local_state.h"
#include "updater/manifest.h"
#include "updater/progress_meter.h"
#include "updater/transfer_lane.h"
#include "updater/update_events.h"

namespace zv {

// The phases the one file pass reports under, and what it did.
struct PassPhases {
  std::string check;     // of the check's progress events; empty: none
  std::string download;  // announced before the first download; its progress's phase
};
struct PassOutcome {
  std::vector<std::string> downloaded;  // manifest paths installed
  bool downloading = false;             // got as far as downloading: client files may be half replaced
  Failure failure;
};

// Makes a fetcher for one more transfer of a download pass.
using FetcherFactory = std::function<std::unique_ptr<Fetcher>()>;

class UpdateJob {
 public:
  // launcherPath: the running launcher, or empty to leave self-update off.
  // The configuration, the fetcher and the clock must outlive the UpdateJob.
  // Moves the state of an older default work folder into the configured one
  // (never the launcher's dataFolder with it, see migrateWorkFolder).
  UpdateJob(std::filesystem::path clientFolder, std::filesystem::path launcherPath, const LauncherConfig& config,
            Fetcher& fetcher, UpdateEvents events, JobClock& clock = systemJobClock(),
            const std::filesystem::path& dataFolder = {});
  UpdateJob(const UpdateJob&) = delete;
  UpdateJob& operator=(const UpdateJob&) = delete;

  // Lends the job the add-on operations (see AddonHooks); null: none.
  void setAddonHooks(AddonHooks* hooks) { addonHooks_ = hooks; }

  // Lets download passes run up to the configuration's `transfers` files at
  // once, each further transfer on a fetcher of its own. Without a factory
  // every file goes through the job's fetcher, one after another.
  void setFetcherFactory(FetcherFactory makeFetcher) { makeFetcher_ = std::move(makeFetcher); }

  // The whole job: manifest, self-update, retired files, check pass,
  // download pass, add-ons, clean-up. Ends with exactly one onDone, or with
  // onSelfUpdate and nothing after it.
  void run(CheckMode mode);

  // The start of every job that reads the release: announces "manifest",
  // fetches manifest.json and manifest.sig (waiting while the server is
  // busy), verifies and parses them and hands the manifest over through
  // onManifest and in accepted. False: code is "noconfig", "offline",
  // "cancelled", "badsig" or "badmanifest", detail the message to show, and
  // accepted is left as it was.
  [[nodiscard]] bool readManifest(std::shared_ptr<const Manifest>& accepted, std::string& code, std::string& detail);

  // The one pass that brings client files in line with the manifest: checks
  // every file in mode (from the digest cache where it vouches for a file in
  // Check mode), then downloads and installs those not in line, reporting
  // under phases and saving the digest cache on the way. False: a cancel or
  // a download failed; outcome says which and how far the pass got.
  [[nodiscard]] bool bringInLine(const std::vector<ManifestFile>& files, CheckMode mode, const PassPhases& phases,
                                 PassOutcome& outcome);

  // Takes the client folder's lock (a file in the work folder) for the rest
  // of this UpdateJob's life, waiting while another launcher's job holds it
  // (up to a quarter of an hour, polling the cancel flag every 200 ms).
  // Every job takes it before it reads or changes anything in the folder.
  // False: failure is Cancelled, FolderBusy, or DiskWrite when the lock file
  // cannot be made or locked (subject: its path).
  [[nodiscard]] bool lockClientFolder(Failure& failure);

  // Any thread, also before run(): asks the job to stop at its next check.
  void requestCancel() { cancelFlag_.exchange(true); }
  bool cancelRequested() const { return cancelFlag_.load(); }

  // The accepted manifest's build text; empty before one was accepted.
  const std::string& build() const { return build_; }
  const std::filesystem::path& clientFolder() const { return clientFolder_; }
  // The host's events, onPhase wrapped to remember the current phase.
  const UpdateEvents& events() const { return events_; }

  // addons.json as this job sees it: one member per installed add-on.
  void loadAddonRecords() { state_.loadAddonState(); }
  Json& addonRecords() { return state_.addonState; }
  [[nodiscard]] bool saveAddonRecords() { return state_.saveAddonState(); }

 private:
  // Where downloadOne's progress stands: files and packed bytes finished,
  // and in the whole pass.
  struct PassCounters {
    uint32_t filesDone = 0, filesTotal = 0;
    uint64_t bytesDone = 0, bytesTotal = 0;
  };

  void done(bool ok, bool canPlay, const std::string& code, const std::string& detail);
  // Whether the file at fullPath is the one the entry describes: present for
  // a "once" entry; otherwise of the right size and digest, the digest taken
  // from the cache in Check mode when the cache vouches for the file's size
  // and time, else computed (and recorded in the cache). fullPath is the
  // native text of the path. Runs on several threads at once: the cache is
  // used under stateMutex_.
  [[nodiscard]] bool checkFile(const ManifestFile& file, const std::filesystem::path::string_type& fullPath,
                               CheckMode mode);
  // Whether the stat taken before the pass (EarlyStats) and the digest cache
  // together vouch for the file, as checkFile would in Check mode. False
  // also when no stat was taken for it: then checkFile decides.
  [[nodiscard]] bool inLineEarly(const ManifestFile& file);
  bool checkFiles(const std::vector<ManifestFile>& files, CheckMode mode, const std::string& phase,
                  std::vector<const ManifestFile*>& fetchList);
  bool downloadFiles(const std::vector<const ManifestFile*>& fetchList, const std::string& phase,
                     PassOutcome& outcome);
  // Downloads the packed file into the work folder (resuming a partial one),
  // then unpacks it over target: up to three attempts, busy-server waits not
  // counted. True: target holds the file and the cache has its entry. Runs
  // on lane's thread; several run at once in a download pass.
  [[nodiscard]] bool downloadOne(const ManifestFile& file, const std::filesystem::path& target, TransferLane& lane,
                                 Failure& failure);
  // downloadOne on the job's own thread: the job's fetcher, progress
  // against pass_ (which the caller sets first), the job's queue waits and
  // cancel flag.
  [[nodiscard]] bool downloadOne(const ManifestFile& file, const std::filesystem::path& target, Failure& failure);
  // After a failed request: when mayWaitInQueue allows it (waits counts the
  // waits), waits in the queue (pauseForQueue). True: repeat the request now.
  [[nodiscard]] bool waitInQueue(const Failure& fetchFailure, unsigned& waits);
  // Announces "queue", waits 5 to 34 seconds as befits a request that has
  // waited `waits` times before (polling the cancel flag every 200 ms) and
  // announces the interrupted phase again. False: cancelled.
  [[nodiscard]] bool pauseForQueue(unsigned waits);

  // Sends a progress event through onProgress, at most one per 0.1 s unless
  // force is set.
  void emitProgress(std::string_view phase, std::string_view file, uint32_t filesDone, uint32_t filesTotal,
                    uint64_t bytesDone, uint64_t bytesTotal, bool force);
  // When the manifest names a launcher other than the running one, downloads
  // it to the launcher's path + ".new" and hands it over through
  // onSelfUpdate. True: handed over, the job must end now. A failed download
  // is dropped silently (false).
  [[nodiscard]] bool selfUpdateStep(const Manifest& manifest);
  bool retireFiles(const Manifest& manifest);
  // Removes what the add-ons the manifest no longer lists left on disk; true
  // when there were such add-ons. Loads the add-on records for the job.
  bool dropAddons(const Manifest& manifest);
  // Brings every installed add-on the manifest lists in line; false (and
  // done reported) when one fails.
  bool keepAddonsCurrent(const Manifest& manifest, CheckMode mode, bool& changed);

  std::filesystem::path clientFolder_;
  std::filesystem::path launcherPath_;
  const LauncherConfig& config_;
  Fetcher& fetcher_;
  UpdateEvents events_;
  JobClock& clock_;
  AddonHooks* addonHooks_ = nullptr;
  FetcherFactory makeFetcher_;
  std::atomic<bool> cancelFlag_{false};
  std::string build_;
  std::string currentPhase_;  // the last phase announced, "queue" aside
  LocalState state_;
  // Guards the digest cache and the unflushed files while the workers of a
  // check pass hash files or those of a download pass record what they
  // installed. Shared while a worker only looks a file up in the cache.
  std::shared_mutex stateMutex_;
  FolderLock folderLock_;
  bool cacheLoaded_ = false;
  // cache.json being read on another thread while run() fetches the
  // manifest, and the files it lists stat'ed there (earlyStats_, until
  // stopEarlyStats_ is set; read only once cacheRead_ is taken).
  std::future<DigestCache> cacheRead_;
  EarlyStats earlyStats_;
  std::atomic<bool> stopEarlyStats_{false};
  double earlyStatsTaken_ = 0;  // clock_ time when they began
  // Downloads in flight whose packed file is large. While any runs, a small
  // installed file is flushed on its own: the one sync of the whole file
  // system that would otherwise flush it with others also writes those
  // parts, which are deleted soon after and need never reach the disk.
  // Without them that sync is the cheaper way (DurableBatch).
  std::atomic<unsigned> largePartsInFlight_{0};
  PassCounters pass_;
  ProgressMeter meter_;
};

}  // namespace zv

// The job's one file pass: check every file, then download what is not in
// line (several files at once), for the client files and for add-on files
// alike.

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_map>

#include "platform/text_path.h"
#include "updater/ordered_parallel.h"
#include "updater/target_place.h"
#include "updater/transfer_pool.h"
#include "updater/update_job.h"

namespace zv {
namespace {

// cache.json is saved after every this many downloaded files, so a long
// download that is killed keeps most of what it learnt.
constexpr uint32_t kCacheSaveInterval = 20;

// Stats taken beside the manifest step serve the check only when it began
// soon after them: a busy server can hold that step for many minutes, and
// a file the player deleted or replaced meanwhile must not pass on a stat
// of what was there before.
constexpr double kEarlyStatsLifetime = 2.0;

// The fetch list's items in groups that one worker takes one after another:
// files with the same digest share one download in the work folder.
std::vector<std::vector<size_t>> groupsSharingParts(const std::vector<const ManifestFile*>& fetchList) {
  std::unordered_map<std::string_view, size_t> groupOf;
  std::vector<std::vector<size_t>> groups;
  for (size_t item = 0; item < fetchList.size(); ++item) {
    const auto [at, fresh] = groupOf.try_emplace(fetchList[item]->sha256, groups.size());
    if (fresh) groups.emplace_back();
    groups[at->second].push_back(item);
  }
  return groups;
}

}  // namespace

bool UpdateJob::bringInLine(const std::vector<ManifestFile>& files, CheckMode mode, const PassPhases& phases,
                            PassOutcome& outcome) {
  // One load per job: a later pass of the same job sees what earlier ones
  // recorded.
  if (cacheRead_.valid()) {
    stopEarlyStats_.store(true);
    state_.cacheState = cacheRead_.get();
    if (clock_.seconds() - earlyStatsTaken_ > kEarlyStatsLifetime) earlyStats_.clear();
  } else if (!cacheLoaded_) {
    state_.loadCacheState();
  }
  cacheLoaded_ = true;
  std::vector<const ManifestFile*> fetchList;
  const bool checked = checkFiles(files, mode, phases.check, fetchList);
  // Taken before this pass, so no later pass may trust them.
  earlyStats_.clear();
  state_.saveCacheState();
  if (!checked) {
    outcome.failure = cancelledFailure();
    return false;
  }
  // A file an earlier release listed, where this one needs a folder (or
  // inside a folder where it needs a file), would stop the file for good
  // when the release that dropped it did not retire it, or was skipped.
  // The digest cache still names the files of the release before.
  const auto listedBefore = [this](std::string_view path) {
    return state_.cacheState.entryOf(path) != DigestCache::npos;
  };
  for (const ManifestFile* file : fetchList) clearEarlierFilesInPlace(clientFolder_, file->path, listedBefore);
  return fetchList.empty() || downloadFiles(fetchList, phases.download, outcome);
}

bool UpdateJob::checkFiles(const std::vector<ManifestFile>& files, CheckMode mode, const std::string& phase,
                           std::vector<const ManifestFile*>& fetchList) {
  uint64_t bytesTotal = 0;
  for (const ManifestFile& file : files) bytesTotal += static_cast<uint64_t>(file.size);
  const auto count = static_cast<uint32_t>(files.size());
  uint64_t bytesDone = 0;
  // Files are hashed on every core; their progress is still reported here,
  // file after file in manifest order.
  const FolderPaths client(clientFolder_);
  const bool early = mode == CheckMode::Check && !earlyStats_.empty();
  const auto work = [&](size_t i) {
    const ManifestFile& file = files[i];
    if (cancelRequested()) return false;
    if (early && inLineEarly(file)) return true;
    // Not a thread_local buffer: the Windows runtime frees those at thread
    // exit before their destructors run (a heap corrupted at the end of a
    // pass). One allocation per file is lost in the stat it serves.
    std::filesystem::path::string_type fullPath;
    client.join(file.path, fullPath);
    return checkFile(file, fullPath, mode);
  };
  const auto done = [&](size_t i, bool inLine) {
    if (cancelRequested()) return false;
    const ManifestFile& file = files[i];
    if (!inLine) fetchList.push_back(&file);
    bytesDone += static_cast<uint64_t>(file.size);
    const auto n = static_cast<uint32_t>(i + 1);
    if (!phase.empty()) emitProgress(phase, file.path, n, count, bytesDone, bytesTotal, n == count);
    return true;
  };
  return runInOrder(files.size(), hashingWorkers(), work, done);
}

bool UpdateJob::downloadFiles(const std::vector<const ManifestFile*>& fetchList, const std::string& phase,
                              PassOutcome& outcome) {
  events_.onPhase(phase);
  outcome.downloading = true;
  pass_ = PassCounters{0, static_cast<uint32_t>(fetchList.size()), 0, 0};
  for (const ManifestFile* file : fetchList) pass_.bytesTotal += static_cast<uint64_t>(file->packed);
  meter_.resetSpeed();

  TransferPool pool(groupsSharingParts(fetchList), fetchList.size(), cancelFlag_);
  // The job's fetcher carries the first transfer; every further one gets a
  // fetcher, and so a connection, of its own.
  std::vector<std::unique_ptr<Fetcher>> ownFetchers;
  std::vector<Fetcher*> fetchers{&fetcher_};
  const size_t wanted = std::min(static_cast<size_t>(std::max(config_.transfers, 1)), pool.groupCount());
  while (makeFetcher_ && fetchers.size() < wanted) {
    std::unique_ptr<Fetcher> fetcher = makeFetcher_();
    if (!fetcher) break;
    fetchers.push_back(fetcher.get());
    ownFetchers.push_back(std::move(fetcher));
  }

  // Progress is the sum over the pass: finished files whole, files in flight
  // as far as they got. A start names the file started; otherwise the
  // oldest file in flight is named (the one just finished when none is).
  std::set<size_t> inFlight;
  const auto bytesNow = [&] {
    uint64_t bytes = pass_.bytesDone;
    for (const size_t item : inFlight) bytes += pool.bytesOf(item);
    return bytes;
  };
  const auto report = [&](std::string_view reportPhase, size_t item, bool force) {
    emitProgress(reportPhase, fetchList[item]->path, pass_.filesDone, pass_.filesTotal, bytesNow(), pass_.bytesTotal,
                 force);
  };
  TransferPool::Listener listener;
  listener.started = [&](size_t item) {
    inFlight.insert(item);
    report(phase, item, true);
  };
  listener.finished = [&](size_t item) {
    const ManifestFile& file = *fetchList[item];
    inFlight.erase(item);
    outcome.downloaded.push_back(file.path);
    pass_.bytesDone += static_cast<uint64_t>(file.packed);
    ++pass_.filesDone;
    report(phase, inFlight.empty() ? item : *inFlight.begin(), true);
    if (pass_.filesDone % kCacheSaveInterval == 0) {
      std::lock_guard lock(stateMutex_);
      state_.saveCacheState();
    }
  };
  listener.moved = [&] {
    if (!inFlight.empty()) report("download", *inFlight.begin(), false);
  };
  listener.queue = [this](unsigned waits) { return pauseForQueue(waits); };
  bool ok = true;
  if (fetchers.size() == 1) {
    // One transfer: strictly one file after another on the job's thread,
    // every block reported once written.
    for (size_t item = 0; ok && item < fetchList.size(); ++item) {
      const ManifestFile& file = *fetchList[item];
      listener.started(item);
      ok = downloadOne(file, joinRelative(clientFolder_, file.path), outcome.failure);
      if (ok) listener.finished(item);
    }
  } else {
    const auto download = [&](size_t item, TransferLane& lane, Failure& failure) {
      const ManifestFile& file = *fetchList[item];
      return downloadOne(file, joinRelative(clientFolder_, file.path), lane, failure);
    };
    ok = pool.run(fetchers, download, listener, outcome.failure);
  }
  state_.saveCacheState();
  return ok;
}

}  // namespace zv

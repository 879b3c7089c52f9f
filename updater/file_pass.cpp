// The job's one file pass: check every file, then download what is not in
// line, for the client files and for add-on files alike.

#include "platform/text_path.h"
#include "updater/ordered_parallel.h"
#include "updater/update_job.h"

namespace zv {
namespace {

// cache.json is saved after every this many downloaded files, so a long
// download that is killed keeps most of what it learnt.
constexpr uint32_t kCacheSaveInterval = 20;

}  // namespace

bool UpdateJob::bringInLine(const std::vector<ManifestFile>& files, CheckMode mode, const PassPhases& phases,
                            PassOutcome& outcome) {
  // One load per job: a later pass of the same job sees what earlier ones
  // recorded.
  if (cacheRead_.valid()) {
    state_.setCacheState(cacheRead_.get());
  } else if (!cacheLoaded_) {
    state_.loadCacheState();
  }
  cacheLoaded_ = true;
  std::vector<const ManifestFile*> fetchList;
  const bool checked = checkFiles(files, mode, phases.check, fetchList);
  state_.saveCacheState();
  if (!checked) {
    outcome.failure = cancelledFailure();
    return false;
  }
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
  std::mutex cacheMutex;
  const auto work = [&](size_t i) {
    const ManifestFile& file = files[i];
    return !cancelRequested() && checkFile(file, joinRelative(clientFolder_, file.path), mode, cacheMutex);
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
  for (uint32_t i = 0; i < pass_.filesTotal; ++i) {
    const ManifestFile& file = *fetchList[i];
    pass_.filesDone = i;
    emitProgress(phase, file.path, i, pass_.filesTotal, pass_.bytesDone, pass_.bytesTotal, true);
    if (!downloadOne(file, joinRelative(clientFolder_, file.path), outcome.failure)) {
      state_.saveCacheState();
      return false;
    }
    outcome.downloaded.push_back(file.path);
    pass_.bytesDone += static_cast<uint64_t>(file.packed);
    emitProgress(phase, file.path, i + 1, pass_.filesTotal, pass_.bytesDone, pass_.bytesTotal, true);
    if ((i + 1) % kCacheSaveInterval == 0) state_.saveCacheState();
  }
  state_.saveCacheState();
  return true;
}

}  // namespace zv

// The update job from the manifest to the final result.

#include <unordered_set>

#include "data/case_fold.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/update_job.h"
#include "updater/work_folder.h"

namespace zv {
namespace {

// Marks the cache's entries that a client path of the manifest names,
// add-on files of every variant included: looked up in the cache's own
// index, so nothing is allocated per file.
std::vector<bool> entriesNamedIn(const Manifest& manifest, const DigestCache& cache) {
  std::vector<bool> named(cache.size());
  const auto mark = [&](const ManifestFile& file) {
    const size_t entry = cache.entryOf(file.path);
    if (entry != DigestCache::npos) named[entry] = true;
  };
  for (const ManifestFile& file : manifest.files) mark(file);
  for (const ManifestAddon& addon : manifest.addons) {
    for (const ManifestFile& file : addon.files) mark(file);
  }
  return named;
}

}  // namespace

void UpdateJob::run(CheckMode mode) {
  std::shared_ptr<const Manifest> accepted;
  std::string code;
  std::string detail;
  Failure locked;
  if (!lockClientFolder(locked)) {
    const bool cancelled = cancelRequested();
    done(false, true, cancelled ? "cancelled" : "failed", cancelled ? "" : failureText(locked));
    return;
  }
  // Reading, parsing and indexing cache.json takes about as long as the
  // manifest's signature check, so it runs beside the manifest step, and in
  // Check mode the stats of the files it lists follow it there until the
  // pass begins. The first file pass takes the result (records made before
  // it, by the self-update, are dropped as they always were); every way out
  // of the job waits for it.
  stopEarlyStats_.store(false);
  earlyStatsTaken_ = clock_.seconds();
  cacheRead_ = std::async(std::launch::async, [this, folder = state_.workFolder(), mode] {
    LocalState read(folder);
    read.loadCacheState();
    if (mode == CheckMode::Check) earlyStats_.take(read.cacheState, clientFolder_, stopEarlyStats_);
    return std::move(read.cacheState);
  });
  struct AwaitCache {
    std::future<DigestCache>& read;
    std::atomic<bool>& stop;
    ~AwaitCache() {
      stop.store(true);
      if (read.valid()) (void)read.get();
    }
  } awaitCache{cacheRead_, stopEarlyStats_};
  if (!readManifest(accepted, code, detail)) {
    done(false, true, code, detail);
    return;
  }
  const Manifest& manifest = *accepted;
  if (selfUpdateStep(manifest)) return;  // the host restarts the launcher

  events_.onPhase("check");
  // Retired before any file is placed: a release may put a folder where a
  // retired file stood, or a file where a folder held only retired files.
  // So are the files of the add-ons it dropped.
  bool retired = retireFiles(manifest);
  if (addonHooks_ != nullptr && dropAddons(manifest)) retired = true;
  PassOutcome outcome;
  if (!bringInLine(manifest.files, mode, PassPhases{"check", "download"}, outcome)) {
    // A cancel during the check placed nothing. One during the downloads may
    // leave files half replaced: the page must not offer to play.
    const bool cancelled = cancelRequested();
    done(false, !(cancelled && outcome.downloading), cancelled ? "cancelled" : "failed",
         outcome.downloading ? failureText(outcome.failure) : "");
    return;
  }
  bool changed = retired || !outcome.downloaded.empty();
  if (addonHooks_ != nullptr && !keepAddonsCurrent(manifest, mode, changed)) return;
  // Entries for files the release no longer names would otherwise stay for good.
  state_.cacheState.keepOnly(entriesNamedIn(manifest, state_.cacheState));
  state_.saveCacheState();
  if (addonHooks_ != nullptr) addonHooks_->sendAddonList(*this, &manifest);
  deletePartFiles(state_.workFolder());
  done(true, true, changed ? "updated" : "uptodate", "");
}

bool UpdateJob::retireFiles(const Manifest& manifest) {
  bool removed = false;
  for (const std::string& path : manifest.remove) {
    const std::filesystem::path full = joinRelative(clientFolder_, path);
    uint64_t size = 0;  // only regular files; folders and missing files are passed over
    if (fileSize(full, size) && removeFileEvenReadOnly(full)) removed = true;
  }
  return removed;
}

bool UpdateJob::dropAddons(const Manifest& manifest) {
  state_.loadAddonState();
  bool dropped = false;
  const Json records = state_.addonState;  // the walk sees the records as loaded
  for (const Json::Member& record : records.members()) {
    if (findAddon(manifest, record.key) != nullptr) continue;

    const std::unordered_set<std::string> kept = pathsThatStay(state_.addonState, record.key, &manifest);
    std::vector<std::string> paths;
    for (const Json& path : record.value.get("files").elements()) {
      if (kept.count(foldCase(path.text())) == 0) paths.emplace_back(path.text());
    }
    std::vector<std::string> patterns;
    for (const Json& pattern : record.value.get("cleanup").elements()) patterns.emplace_back(pattern.text());
    std::vector<std::string> leftOver;
    (void)addonHooks_->removeFiles(*this, paths, patterns, leftOver);

    Json rebuilt = Json::object();
    for (const Json::Member& other : state_.addonState.members()) {
      if (other.key != record.key) rebuilt.set(other.key, other.value);
    }
    if (!leftOver.empty()) {
      Json kept = record.value;
      Json files = Json::array();
      for (const std::string& path : leftOver) files.push(path);
      kept.set("files", std::move(files));
      rebuilt.set(record.key, std::move(kept));
    }
    state_.addonState = std::move(rebuilt);
    (void)state_.saveAddonState();
    dropped = true;
  }
  return dropped;
}

bool UpdateJob::keepAddonsCurrent(const Manifest& manifest, CheckMode mode, bool& changed) {
  const Json records = state_.addonState;  // the walk sees the records as they were
  for (const Json::Member& record : records.members()) {
    const ManifestAddon* addon = findAddon(manifest, record.key);
    if (addon == nullptr) continue;  // dropped, and still holding a file the game keeps open
    Failure failure;
    if (!addonHooks_->installAddonFiles(*this, manifest, *addon, record.value.get("variant").stringOr(""),
                                        std::string(chosenToggleKey(record.value)), mode, PassPhases{"", "download"}, changed,
                                        failure)) {
      addonHooks_->sendAddonList(*this, &manifest);
      const bool cancelled = cancelRequested();
      done(false, !cancelled, cancelled ? "cancelled" : "failed", failureText(failure));
      return false;
    }
  }
  return true;
}

}  // namespace zv

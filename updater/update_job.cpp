// The update job from the manifest to the final result.

#include <unordered_set>

#include "data/text_rules.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/updater.h"
#include "updater/work_folder.h"

namespace zv {
namespace {

// cache.json is saved after every this many downloaded files, so a long
// download that is killed keeps most of what it learnt.
constexpr uint32_t kCacheSaveInterval = 20;

}  // namespace

void Updater::run(CheckMode mode) {
  cancelFlag_.exchange(false);
  events_.onPhase("manifest");
  Manifest manifest;
  std::string code;
  std::string detail;
  if (!fetchManifest(manifest, code, detail)) {
    done(false, true, code, detail);
    return;
  }
  if (events_.onManifest) events_.onManifest(manifest);
  if (selfUpdateStep(manifest)) return;  // the host restarts the launcher

  std::vector<const ManifestFile*> fetchList;
  if (!checkPass(manifest, mode, fetchList)) return;
  state_.saveCacheState();
  bool changed = false;
  if (!fetchList.empty() && !downloadPass(fetchList, changed)) return;
  if (retireFiles(manifest)) changed = true;
  if (addonHooks_ != nullptr && !maintainAddons(manifest, mode, changed)) return;
  state_.saveCacheState();
  if (addonHooks_ != nullptr) addonHooks_->sendAddonList(*this, &manifest);
  deletePartFiles(workFolder());
  done(true, true, changed ? "updated" : "uptodate", "");
}

bool Updater::checkPass(const Manifest& manifest, CheckMode mode, std::vector<const ManifestFile*>& fetchList) {
  events_.onPhase("check");
  state_.loadCacheState();
  uint64_t bytesTotal = 0;
  for (const ManifestFile& file : manifest.files) bytesTotal += static_cast<uint64_t>(file.size);
  const auto count = static_cast<uint32_t>(manifest.files.size());
  uint64_t bytesDone = 0;
  for (uint32_t n = 1; n <= count; ++n) {
    if (cancelRequested()) {
      state_.saveCacheState();
      done(false, true, "cancelled", "");
      return false;
    }
    const ManifestFile& file = manifest.files[n - 1];
    if (!checkFile(file, joinRelative(clientFolder_, file.path), mode)) fetchList.push_back(&file);
    bytesDone += static_cast<uint64_t>(file.size);
    emitProgress("check", file.path, n, count, bytesDone, bytesTotal, n == count);
  }
  return true;
}

bool Updater::downloadPass(const std::vector<const ManifestFile*>& fetchList, bool& changed) {
  events_.onPhase("download");
  pass = PassCounters{0, static_cast<uint32_t>(fetchList.size()), 0, 0};
  for (const ManifestFile* file : fetchList) pass.bytesTotal += static_cast<uint64_t>(file->packed);
  resetSpeed();
  for (uint32_t i = 0; i < pass.filesTotal; ++i) {
    const ManifestFile& file = *fetchList[i];
    pass.filesDone = i;
    emitProgress("download", file.path, i, pass.filesTotal, pass.bytesDone, pass.bytesTotal, true);
    std::string error;
    if (!downloadOne(file, joinRelative(clientFolder_, file.path), error)) {
      state_.saveCacheState();
      // Cancelled mid-way, files may be half replaced: the page must not
      // offer to play.
      const bool cancelled = cancelRequested();
      done(false, !cancelled, cancelled ? "cancelled" : "failed", error);
      return false;
    }
    pass.bytesDone += static_cast<uint64_t>(file.packed);
    changed = true;
    emitProgress("download", file.path, i + 1, pass.filesTotal, pass.bytesDone, pass.bytesTotal, true);
    if ((i + 1) % kCacheSaveInterval == 0) state_.saveCacheState();
  }
  state_.saveCacheState();
  return true;
}

bool Updater::retireFiles(const Manifest& manifest) {
  bool removed = false;
  for (const std::string& path : manifest.remove) {
    const std::filesystem::path full = joinRelative(clientFolder_, path);
    uint64_t size = 0;  // only regular files; folders and missing files are passed over
    if (fileSize(full, size) && removeFile(full)) removed = true;
  }
  return removed;
}

bool Updater::maintainAddons(const Manifest& manifest, CheckMode mode, bool& changed) {
  state_.loadAddonState();
  std::unordered_set<std::string> basePaths;
  for (const ManifestFile& file : manifest.files) basePaths.insert(asciiLower(file.path));

  const Json records = state_.addonState;  // the walk sees the records as loaded
  for (const Json::Member& record : records.members()) {
    const ManifestAddon* addon = nullptr;
    for (const ManifestAddon& candidate : manifest.addons) {
      if (candidate.id == record.key) addon = &candidate;
    }
    if (addon != nullptr) {
      std::string message;
      if (!addonHooks_->installAddonFiles(*this, *addon, record.value.get("variant").text(),
                                          record.value.get("key").text(), mode, "download", changed, message)) {
        state_.saveCacheState();
        addonHooks_->sendAddonList(*this, &manifest);
        const bool cancelled = cancelRequested();
        done(false, !cancelled, cancelled ? "cancelled" : "failed", message);
        return false;
      }
      continue;
    }

    // The release dropped the add-on. Its files that are now base client
    // files stay; the rest go.
    std::vector<std::string> paths;
    for (const Json& path : record.value.get("files").elements()) {
      if (basePaths.count(asciiLower(path.text())) == 0) paths.push_back(path.text());
    }
    std::vector<std::string> patterns;
    for (const Json& pattern : record.value.get("cleanup").elements()) patterns.push_back(pattern.text());
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
    changed = true;
  }
  return true;
}

}  // namespace zv

// The update job's start: its state, the manifest step every job begins
// with, and the check of one file.

#include "updater/update_job.h"

#include <future>
#include <system_error>

#include "platform/file_stat.h"
#include "platform/text_path.h"
#include "updater/file_time.h"
#include "updater/launcher_files.h"
#include "updater/release_record.h"
#include "crypto/sha256.h"
#include "updater/signature.h"
#include "updater/work_folder.h"

namespace zv {
namespace {

std::filesystem::path workFolderOf(const std::filesystem::path& client, const LauncherConfig& config) {
  return joinRelative(client, config.workDir.empty() ? std::string_view(kDefaultWorkDir) : config.workDir);
}

}  // namespace

UpdateJob::UpdateJob(std::filesystem::path clientFolder, std::filesystem::path launcherPath,
                     const LauncherConfig& config, Fetcher& fetcher, UpdateEvents events, JobClock& clock,
                     const std::filesystem::path& dataFolder)
    : clientFolder_(std::move(clientFolder)),
      launcherPath_(std::move(launcherPath)),
      config_(config),
      fetcher_(fetcher),
      events_(std::move(events)),
      clock_(clock),
      state_(workFolderOf(clientFolder_, config)),
      meter_(clock) {
  // A busy-server wait announces "queue" and afterwards the phase it
  // interrupted, so every other phase is remembered on its way out.
  events_.onPhase = [this, given = std::move(events_.onPhase)](const std::string& phase) {
    if (phase != "queue") currentPhase_ = phase;
    if (given) given(phase);
  };
  migrateWorkFolder(clientFolder_, state_.workFolder(), dataFolder);
  fetcher_.watchCancel(&cancelFlag_);
}

void UpdateJob::done(bool ok, bool canPlay, const std::string& code, const std::string& detail) {
  if (events_.onDone) events_.onDone(ok, canPlay, code, detail);
}

bool UpdateJob::readManifest(std::shared_ptr<const Manifest>& accepted, std::string& code, std::string& detail) {
  events_.onPhase("manifest");
  if (config_.updateUrl.empty() || config_.publicKey.size() != 64) {
    code = "noconfig";
    detail = "updateUrl / publicKey missing in ZarvoLauncher.json";
    return false;
  }
  // Room for the largest manifest the fetcher takes, once: a text grown by
  // doubling is copied again at every step, and room never written is
  // never touched.
  std::string text;
  text.reserve(kMaxTextBytes);
  std::string signature;
  unsigned waits = 0;
  Failure failure;
  std::string message;
  const auto manifest = std::make_shared<Manifest>();
  bool parsed = false;
  // A release published between the two requests gives the old manifest
  // and the new signature; asked for once more, both are the new release's.
  // A signature that still does not match is no such accident.
  for (int mismatches = 0;;) {
    // Both documents, again after every wait: a manifest whose signature
    // comes from another moment of the server may not match it.
    if (!fetcher_.getText(config_.updateUrl + "manifest.json", text, failure) ||
        !fetcher_.getText(config_.updateUrl + "manifest.sig", signature, failure)) {
      if (waitInQueue(failure, waits)) continue;
      if (failure.kind == FailureKind::TooLarge && !cancelRequested()) {
        // The server answered: what it sent cannot be a manifest.
        code = "badmanifest";
        detail = "manifest is too large";
        return false;
      }
      code = cancelRequested() ? "cancelled" : "offline";
      detail = failureText(failure);
      return false;
    }
    // The signature check hashes the whole text (SHA-512), so it runs on a
    // thread of its own while this one parses the text. What was parsed,
    // its message included, counts for nothing until the signature holds.
    const auto verify = [&] { return verifyManifestSignature(text, signature, config_.publicKey); };
    std::future<bool> verifying;
    try {
      verifying = std::async(std::launch::async, verify);
    } catch (const std::system_error&) {
      // No thread to be had: verified below, on this one.
    }
    parsed = parseManifestText(text, *manifest, message);
    if (verifying.valid() ? verifying.get() : verify()) break;
    // Not even the form of a signature: something on the way (a network's
    // login or block page) answered in the server's place. The player is
    // offline, not facing a forged release, and asking again is no use.
    if (!isSignatureText(signature)) {
      code = "offline";
      detail = "the answer from " + config_.updateUrl + "manifest.sig is not a signature";
      return false;
    }
    if (++mismatches == 2) {
      code = "badsig";
      detail = "manifest signature does not match";
      return false;
    }
  }
  // The same gate for every job, add-on jobs and the launcher's own update
  // included: an older release must not bring back an older launcher either.
  const ReleaseRecord releases(state_.workFolder(), config_.updateUrl, config_.publicKey);
  if (!parsed || !releases.admits(manifest->sequence, message)) {
    code = "badmanifest";
    detail = message;
    return false;
  }
  // Recorded as soon as the signature vouches for it, before any file
  // changes. Should the record not be written, this job still goes on with
  // the release it verified; only the next start loses the guard.
  (void)releases.raise(manifest->sequence);
  dropLauncherOwnEntries(*manifest, launcherFilesOf(clientFolder_, launcherPath_, config_.workDir));
  build_ = manifest->build;
  accepted = manifest;
  if (events_.onManifest) events_.onManifest(accepted);
  return true;
}

bool UpdateJob::inLineEarly(const ManifestFile& file) {
  std::shared_lock lock(stateMutex_);
  const size_t entry = state_.cacheState.entryOf(file.path);
  FileStat stat;
  if (!earlyStats_.find(entry, stat)) return false;
  if (file.once) return true;
  if (stat.size != static_cast<uint64_t>(file.size)) return false;
  FileTimeBuffer timeBuffer;
  return state_.cacheState.vouches(entry, stat.size, fileTimeText(stat.writeTicks, timeBuffer), file.sha256);
}

bool UpdateJob::checkFile(const ManifestFile& file, const std::filesystem::path::string_type& fullPath,
                          CheckMode mode) {
  // One query for size and time: an unchanged client costs one per file.
  FileStat stat;
  if (!statRegularFile(fullPath.c_str(), stat)) return false;
  if (file.once) return true;
  const uint64_t size = stat.size;
  if (size != static_cast<uint64_t>(file.size)) return false;
  FileTimeBuffer timeBuffer;
  const std::string_view time = fileTimeText(stat.writeTicks, timeBuffer);
  if (mode == CheckMode::Check) {
    std::shared_lock lock(stateMutex_);
    if (state_.cacheState.vouches(file.path, size, time, file.sha256)) return true;
  }
  std::string digest;
  if (!sha256File(std::filesystem::path(fullPath), digest, &cancelFlag_)) return false;
  // Recorded even when it differs from the manifest: the next check then
  // knows this file's digest without hashing it again.
  std::lock_guard lock(stateMutex_);
  state_.cacheState.record(file.path, size, time, digest);
  return digest == file.sha256;
}

}  // namespace zv
